#pragma once

#include <QImage>
#include <QRgb>

namespace skiff {

// The group box frame is assembled from pieces of this small picture: a one-pixel frame with
// rounded corners around a transparent inside.
inline constexpr int kFrameTemplateWidth = 22;
inline constexpr int kFrameTemplateHeight = 20;

// Its four palette entries, in palette order. Entry 1 is transparent: never drawn.
inline constexpr QRgb kFrameLineColor = 0xFFD0D0BF;         // 0: frame line
inline constexpr QRgb kFrameTransparentColor = 0x00ECE9D8;  // 1: transparent
inline constexpr QRgb kFrameShadeColor = 0xFFD3D3C5;        // 2: corner shading
inline constexpr QRgb kFrameUnusedColor = 0xFF000000;       // 3: used by no pixel
inline constexpr int kFrameTransparentIndex = 1;

// The 22 x 20 template as an indexed image whose transparent entry has alpha 0.
const QImage& frameTemplate();

}  // namespace skiff
