#pragma once

#include <QRect>

namespace skiff {

// Window geometry is written in twips (1/1440 inch); at 96 dpi fifteen twips make a pixel.
inline constexpr int kTwipsPerPixel = 15;

// HIMETRIC (0.01 mm) is the unit of the stored "_extentx" and "_extenty" of a custom control.
inline constexpr double kHimetricPerTwip = 2540.0 / 1440.0;

constexpr int twipsToPixels(double twips) {
    const double px = twips / kTwipsPerPixel;
    return static_cast<int>(px < 0 ? px - 0.5 : px + 0.5);
}

constexpr float pixelsToTwips(int pixels) {
    return static_cast<float>(pixels) * kTwipsPerPixel;
}

constexpr int twipsToHimetric(double twips) {
    return static_cast<int>(twips * kHimetricPerTwip + 0.5);
}

constexpr int himetricToPixels(double himetric) {
    return twipsToPixels(himetric / kHimetricPerTwip);
}

inline QRect twipsRect(double left, double top, double width, double height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

}  // namespace skiff
