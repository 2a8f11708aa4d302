#pragma once

#include <QImage>
#include <QRect>

namespace skiff {

// The button's face pictures: one strip of five cells side by side, 18 x 21 pixels each.
//   0 normal, 1 pressed, 2 disabled, 3 hot (orange ring), 4 highlighted (blue ring).
inline constexpr int kCellCount = 5;
inline constexpr int kCellWidth = 18;
inline constexpr int kCellHeight = 21;

// The 90 x 21 strip (Format_RGB32), built once on first use.
const QImage& cellStrip();

// Where cell `index` lies in the strip.
constexpr QRect cellRect(int index) {
    return QRect(index * kCellWidth, 0, kCellWidth, kCellHeight);
}

}  // namespace skiff
