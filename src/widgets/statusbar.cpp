#include "widgets/statusbar.h"

#include <QHBoxLayout>
#include <QLabel>

#include "controls/hosting/twips.h"

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

}  // namespace

StatusBar::StatusBar(const QList<int>& panelWidthsTwips, QWidget* parent) : QWidget(parent) {
    setFixedHeight(twipsToPixels(kHeightTwips));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kPanelGapPixels);
    for (int widthTwips : panelWidthsTwips) {
        panels_.append(makePanel(widthTwips, this));
        layout->addWidget(panels_.last());
    }
    layout->addStretch(1);
}

QLabel* StatusBar::panel(int index) const {
    if (index < 1 || index > panelCount()) return nullptr;
    return panels_.at(index - 1);
}

void StatusBar::setPanelText(int index, const QString& text) {
    if (QLabel* label = panel(index)) label->setText(text);
}

QString StatusBar::panelText(int index) const {
    const QLabel* label = panel(index);
    return label ? label->text() : QString();
}

int StatusBar::panelWidth(int index) const {
    const QLabel* label = panel(index);
    return label ? label->width() : 0;
}

}  // namespace skiff
