#pragma once

#include <QColor>
#include <QtGlobal>

namespace skiff {

// A 32-bit colour value: 0x00BBGGRR for a plain colour, 0x800000NN for system colour NN.
struct ColorValue {
    quint32 value = 0;

    static constexpr ColorValue fromRgb(int r, int g, int b) {
        return ColorValue{static_cast<quint32>(r) | (static_cast<quint32>(g) << 8) |
                          (static_cast<quint32>(b) << 16)};
    }
    bool isSystemColor() const { return (value & 0xFFFFFF00u) == 0x80000000u; }
    friend bool operator==(ColorValue, ColorValue) = default;
};

// System colour numbers that the windows use.
inline constexpr ColorValue kSystemScrollBar{0x80000000u};
inline constexpr ColorValue kSystemMenu{0x80000004u};
inline constexpr ColorValue kSystemWindowText{0x80000008u};

// The colour a value stands for: a plain colour as it is, a system colour from the platform's
// palette. Unknown system colour numbers give the window background.
QColor resolveColor(ColorValue color);

}  // namespace skiff
