#include "statusbar/statusbar.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <algorithm>

#include "controls/hosting/twips.h"
#include "statusbar/ownwindow.h"

namespace skiff {

namespace {

constexpr int kPanelGapPixels = 2;
constexpr int kPanelTextMarginPixels = 2;

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

// A sunken panel of text on one line. Where it is narrower than its text, it draws the text cut
// in the middle ("http://host/lo…/file.exe"), so that both ends of an address show; its text
// stays whole (accessibility tools read all of it).
class PanelLabel : public QLabel {
public:
    PanelLabel(int widthTwips, QWidget* parent)
        : QLabel(parent), givenWidth_(twipsToPixels(widthTwips)) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setMargin(kPanelTextMarginPixels);
        setTextFormat(Qt::PlainText);
        setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        setFixedWidth(givenWidth_);
    }

    int givenWidth() const { return givenWidth_; }
    // Its given width, or the width that shows the whole text where that is wider.
    int wantedWidth() const { return std::max(givenWidth_, fullWidth()); }

protected:
    // A text that fits is drawn by the label itself.
    void paintEvent(QPaintEvent* e) override {
        if (width() >= fullWidth()) {
            QLabel::paintEvent(e);
            return;
        }
        QPainter painter(this);
        drawFrame(&painter);
        QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
        area.setLeft(area.left() + textIndent());
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
        style()->drawItemText(&painter, area, int(alignment()), palette(), isEnabled(), shown,
                              foregroundRole());
    }

private:
    // The width the label lays its whole text out in (its size hint, which never goes below
    // the width it has).
    int fullWidth() const {
        const QRect text = fontMetrics().boundingRect(QRect(), int(alignment()), this->text());
        const int indents =
            indent() >= 0
                ? indent()
                : std::max(0, fontMetrics().horizontalAdvance(u'x') - 2 * margin());  // both sides
        return text.width() + 2 * (frameWidth() + margin()) + indents;
    }
    // Where the label starts its text inside a frame: half an "x" in, less the margin.
    int textIndent() const {
        if (indent() >= 0) return indent();
        return std::max(0, fontMetrics().horizontalAdvance(u'x') / 2 - margin());
    }

    const int givenWidth_;
};

StatusBar::StatusBar(const QList<int>& panelWidthsTwips, QWidget* parent)
    : QWidget(parent), embedded_(windowsNest()), panelsWindow_(new QWidget) {
    [[maybe_unused]] static const bool accessible =
        (QAccessible::installFactory(accessibleStatusBar), true);
    setFixedHeight(twipsToPixels(kHeightTwips));
    panelsWindow_->setObjectName("panels");
    auto* panelsLayout = new QHBoxLayout(panelsWindow_);
    panelsLayout->setContentsMargins(0, 0, 0, 0);
    panelsLayout->setSpacing(kPanelGapPixels);
    panelsLayout->setSizeConstraint(QLayout::SetNoConstraint);  // the bar sizes its window
    for (int widthTwips : panelWidthsTwips) {
        panels_.append(new PanelLabel(widthTwips, panelsWindow_));
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

// Each panel is as wide as its given width or its text, whichever is wider, as long as the
// panels fit in the bar. Where they would not, the widest panels give up width (and draw their
// texts cut) until they fit, none below its given width: a long address in the messages panel
// leaves the mode, the time and the date in view.
void StatusBar::fitPanels() {
    const int room = width() - kPanelGapPixels * int(panels_.size() - 1);
    const auto widthFor = [](const PanelLabel* p, int cap) {
        return std::max(p->givenWidth(), std::min(p->wantedWidth(), cap));
    };
    const auto total = [&](int cap) {
        int sum = 0;
        for (const PanelLabel* p : panels_) sum += widthFor(p, cap);
        return sum;
    };
    int low = 0;  // the largest width any panel may take: found between low and high
    int high = 0;
    for (const PanelLabel* p : panels_) high = std::max(high, p->wantedWidth());
    while (low < high) {
        const int cap = low + (high - low + 1) / 2;
        if (total(cap) <= room)
            low = cap;
        else
            high = cap - 1;
    }
    for (PanelLabel* p : panels_) p->setFixedWidth(widthFor(p, low));
}

void StatusBar::setPanelText(StatusPanel panel, const QString& text) {
    QLabel* label = this->label(panel);
    if (!label) return;
    label->setText(text);
    fitPanels();
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
    } else {
        if (e->type() == QEvent::FontChange) fitPanels();     // its text's width changed
        if (geometry && !shared_.isEmpty()) update(shared_);  // a panel moved or changed its width
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
    fitPanels();
    updateShared();
    placeProgress();
}

bool StatusBar::event(QEvent* e) {
    if (e->type() == QEvent::ShowToParent || e->type() == QEvent::HideToParent) placeProgress();
    return QWidget::event(e);
}

}  // namespace skiff
