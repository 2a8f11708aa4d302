#include "widgets/progressbar.h"

#include <cmath>

#include "widgets/ownwindow.h"

namespace skiff {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(static_cast<int>(kMin), static_cast<int>(kMax));
    QProgressBar::setValue(static_cast<int>(kMin));
    if (windowsNest()) {
        // The bar is drawn by a face in a window of its own, which repaints alone as the value
        // changes; this widget itself draws nothing.
        face_ = new QProgressBar;
        face_->setRange(minimum(), maximum());
        face_->setValue(QProgressBar::value());
        fillWithOwnWindow(this, face_);
        setUpdatesEnabled(false);
    }
}

bool ProgressBar::setValue(float value) {
    // Written so that a NaN, which fails every comparison, is refused as well.
    if (!(value >= kMin && value <= kMax)) return false;
    value_ = value;
    const int shown = static_cast<int>(std::lround(value));
    QProgressBar::setValue(shown);
    if (face_) face_->setValue(shown);
    return true;
}

}  // namespace skiff
