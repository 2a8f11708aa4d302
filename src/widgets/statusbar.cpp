#include "widgets/statusbar.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QProgressBar>

#include "controls/hosting/twips.h"
#include "widgets/ownwindow.h"

namespace skiff {

namespace {

constexpr int kPanelGapPixels = 2;
constexpr int kPanelTextMarginPixels = 2;

QLabel* makePanel(int widthTwips, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMargin(kPanelTextMarginPixels);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A fixed policy takes the larger of the minimum width and the text's width, so the
    // panel keeps its given width and widens to fit a longer text.
    label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    label->setMinimumWidth(twipsToPixels(widthTwips));
    return label;
}

// Where a panel draws its text: inside its frame and margin.
QRect textRect(const QLabel* label) {
    const int m = label->margin();
    return label->contentsRect().adjusted(m, m, -m, -m).translated(label->pos());
}

// Screen readers name the bar by what it is.
QAccessibleInterface* accessibleStatusBar(const QString& className, QObject* object) {
    if (className != QLatin1String(StatusBar::staticMetaObject.className())) return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StatusBar);
}

}  // namespace

StatusBar::StatusBar(const QList<int>& panelWidthsTwips, QWidget* parent)
    : QWidget(parent), embedded_(windowsNest()), panelsWindow_(new QWidget) {
    [[maybe_unused]] static const bool accessible =
        (QAccessible::installFactory(accessibleStatusBar), true);
    setFixedHeight(twipsToPixels(kHeightTwips));
    panelsWindow_->setObjectName("panels");
    auto* panelsLayout = new QHBoxLayout(panelsWindow_);
    panelsLayout->setContentsMargins(0, 0, 0, 0);
    panelsLayout->setSpacing(kPanelGapPixels);
    for (int widthTwips : panelWidthsTwips) {
        panels_.append(makePanel(widthTwips, panelsWindow_));
        panels_.last()->installEventFilter(this);
        panelsLayout->addWidget(panels_.last());
    }
    panelsLayout->addStretch(1);
    fillWithOwnWindow(this, panelsWindow_);
}

QLabel* StatusBar::label(StatusPanel panel) const {
    const int index = static_cast<int>(panel);
    return index >= 0 && index < panelCount() ? panels_.at(index) : nullptr;
}

void StatusBar::setPanelText(StatusPanel panel, const QString& text) {
    QLabel* label = this->label(panel);
    if (!label) return;
    label->setText(text);
    panelsWindow_->layout()->activate();  // the panel widens at once
    // A panel that moves or widens is redrawn where it is shared by its event filter.
    if (const QRegion shared = shared_ & textRect(label); !shared.isEmpty()) update(shared);
}

QString StatusBar::panelText(StatusPanel panel) const {
    const QLabel* label = this->label(panel);
    return label ? label->text() : QString();
}

int StatusBar::panelWidth(StatusPanel panel) const {
    const QLabel* label = this->label(panel);
    return label ? label->width() : 0;
}

void StatusBar::shareWith(const QList<QWidget*>& neighbours) {
    for (QWidget* w : neighbours_)
        if (w) w->removeEventFilter(this);
    neighbours_.clear();
    for (QWidget* w : neighbours) {
        neighbours_.append(w);
        w->installEventFilter(this);
    }
    updateShared();
}

QRegion StatusBar::sharedRegion() const {
    QRegion region;
    for (const QWidget* w : neighbours_) {
        if (!w || !w->isVisibleTo(window())) continue;
        const QPoint offset = w->mapTo(window(), QPoint()) - mapTo(window(), QPoint());
        region += QRect(offset, w->size()) & rect();
    }
    return region;
}

// The panels' window leaves out the shared part. There the bar draws the panels itself, in
// the browser window, between the widget below and the widget over it.
void StatusBar::updateShared() {
    if (!embedded_) return;
    const QRegion now = sharedRegion();
    if (now == shared_) return;
    update(shared_ + now);
    shared_ = now;
    if (shared_.isEmpty())
        panelsWindow_->clearMask();
    else
        panelsWindow_->setMask(QRegion(rect()) - shared_);
}

void StatusBar::carryProgress(QProgressBar* bar) {
    if (!embedded_ || progress_) return;
    progress_ = bar;
    progressFace_ = new QProgressBar(panelsWindow_);
    progressFace_->setObjectName("progress");
    progressFace_->setRange(bar->minimum(), bar->maximum());
    progressFace_->setValue(bar->value());
    connect(bar, &QProgressBar::valueChanged, progressFace_, &QProgressBar::setValue);
    bar->installEventFilter(this);
    placeProgress();
}

// While the bar is shown its panels' window draws the progress bar, and the progress bar itself
// draws nothing, so that neither its changes nor its showing and hiding repaint the browser
// window; while the bar is hidden the progress bar draws itself.
void StatusBar::placeProgress() {
    if (!progress_) return;
    const bool carried = !isHidden();
    progress_->setUpdatesEnabled(!carried);
    const QPoint offset = progress_->mapTo(window(), QPoint()) - mapTo(window(), QPoint());
    progressFace_->setGeometry(QRect(offset, progress_->size()));
    progressFace_->setVisible(carried && !progress_->isHidden());
    progressFace_->raise();
}

bool StatusBar::eventFilter(QObject* watched, QEvent* e) {
    const bool geometry = e->type() == QEvent::Move || e->type() == QEvent::Resize;
    const bool visibility = e->type() == QEvent::ShowToParent || e->type() == QEvent::HideToParent;
    if (progress_ && watched == progress_) {
        if (geometry || visibility) placeProgress();
    } else if (neighbours_.contains(watched)) {
        if (geometry || visibility) updateShared();
    } else if (geometry && !shared_.isEmpty()) {
        update(shared_);  // a panel moved or changed its width
    }
    return QWidget::eventFilter(watched, e);
}

void StatusBar::paintEvent(QPaintEvent* e) {
    const QRegion region = shared_ & e->region();
    if (region.isEmpty()) return;
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    panelsWindow_->render(&image, region.boundingRect().topLeft(), region,
                          QWidget::DrawChildren | QWidget::IgnoreMask);
    QPainter painter(this);
    painter.setClipRegion(region);
    painter.drawImage(0, 0, image);
}

void StatusBar::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    updateShared();
    placeProgress();
}

void StatusBar::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    updateShared();
    placeProgress();
}

bool StatusBar::event(QEvent* e) {
    if (e->type() == QEvent::ShowToParent || e->type() == QEvent::HideToParent) placeProgress();
    return QWidget::event(e);
}

}  // namespace skiff
