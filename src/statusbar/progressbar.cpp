#include "statusbar/progressbar.h"

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
    QProgressBar::setValue(static_cast<int>(std::lround(value)));
    return true;
}

}  // namespace skiff
