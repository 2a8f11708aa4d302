#include "widgets/progressbar.h"

#include <cmath>

namespace skiff {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(static_cast<int>(kMin), static_cast<int>(kMax));
    QProgressBar::setValue(static_cast<int>(kMin));
}

bool ProgressBar::setValue(float value) {
    // Written so that a NaN, which fails every comparison, is refused as well.
    if (!(value >= kMin && value <= kMax)) return false;
    value_ = value;
    const int shown = static_cast<int>(std::lround(value));
    if (shown == QProgressBar::value()) return true;
    // Drawn with the window's next repaint, together with whatever else changed (the page),
    // rather than at once: in a window that holds a web view every repaint composes the whole
    // window again.
    setUpdatesEnabled(false);
    QProgressBar::setValue(shown);
    setUpdatesEnabled(true);  // and asks for that repaint
    return true;
}

}  // namespace skiff
