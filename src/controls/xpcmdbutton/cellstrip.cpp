#include "controls/xpcmdbutton/cellstrip.h"

#include <QtMath>
#include <array>

namespace skiff {

namespace {

// Cell-relative geometry: a 3-pixel frame band around a 12 x 15 middle.
constexpr int kLastColumn = kCellWidth - 1;  // 17
constexpr int kLastRow = kCellHeight - 1;    // 20

constexpr QRgb kFrame = 0x003C74;
constexpr QRgb kDisabledFrame = 0xC9C7BA;
constexpr QRgb kDisabledCorner = 0xFFFFFF;
constexpr QRgb kDisabledFace = 0xF5F4EA;
constexpr QRgb kHotRingInner = 0xFCD279;

using Column = std::array<QRgb, kCellHeight>;

// Colour of each row across the middle columns of the normal and the pressed cell.
constexpr Column kNormalFace = {0x003C74, 0xFFFFFF, 0xFEFEFE, 0xFCFCFB, 0xFAFAF9, 0xF8F8F6,
                                0xF6F6F3, 0xF6F6F2, 0xF5F5F1, 0xF4F4F0, 0xF3F3EF, 0xF3F3EE,
                                0xF2F2ED, 0xF1F1ED, 0xF1F1EC, 0xF0F0EB, 0xF0F0EA, 0xECEBE6,
                                0xE2DFD6, 0xD6D0C5, 0x003C74};
constexpr Column kPressedFace = {0x003C74, 0xD1CCC1, 0xDCD8CF, 0xE5E4DD, 0xE6E6E0, 0xE5E4DE,
                                 0xE4E3DC, 0xE4E3DC, 0xE3E3DB, 0xE3E2DA, 0xE2E1DA, 0xE2E1D9,
                                 0xE2E1D9, 0xE1E0D9, 0xE1E0D8, 0xE0E0D7, 0xE0E0D7, 0xE2E2DA,
                                 0xEAE9E3, 0xF2F1EE, 0x003C74};

// The 2-pixel ring of the hot and the highlighted cell, drawn over the normal cell: its rows
// 1, 2, 18 and 19 across the width, and its side columns from row 3 to row 17.
struct Ring {
    std::array<QRgb, 4> rows;
    std::array<QRgb, 15> side;
};
constexpr Ring kHotRing = {
    {0xFFF0CF, 0xFDD889, 0xF8B330, 0xE59700},
    {0xFEDF9A, 0xFEDD95, 0xFDDB8F, 0xFDD889, 0xFDD582, 0xFCD27A, 0xFCCE71, 0xFCCA69, 0xFBC761,
     0xFAC358, 0xFAC050, 0xF9BD49, 0xFABA41, 0xF9B83B, 0xF9B435}};
constexpr Ring kHighlightRing = {
    {0xCEE7FF, 0xBCD4F6, 0x89ADE4, 0x6982EE},
    {0xBAD3F5, 0xB7D0F4, 0xB4CEF3, 0xB1CBF2, 0xADC8F0, 0xA9C5EF, 0xA5C1ED, 0xA0BEEC, 0x9CBBEB,
     0x98B8EA, 0x94B4E8, 0x91B1E7, 0x8EAFE6, 0x8BADE4, 0x89ADE4}};

// Side shading given at rows 3, 10 and 17; the rows between are interpolated.
using ShadeKeys = std::array<QRgb, 3>;
constexpr std::array<ShadeKeys, 2> kNormalRightSide = {{{0xFBFBFA, 0xEEEDE7, 0xE4E2DA},    // col 15
                                                        {0xF6F4F2, 0xE8E5DF, 0xE0DED4}}};  // col 16
constexpr std::array<ShadeKeys, 2> kPressedLeftSide = {{{0xD8D4CB, 0xD7D4CB, 0xDAD8CF},    // col 1
                                                        {0xDDDAD1, 0xDDDBD3, 0xDFDED6}}};  // col 2

// Corners are numbered top-left, top-right, bottom-left, bottom-right.
// The rounded frame corner of the cells with the blue frame: the corner pixel, then the two
// pixels next to it along its row and along its column.
struct FrameCorner {
    QRgb corner;
    std::array<QRgb, 2> alongRow;
    std::array<QRgb, 2> alongColumn;
};
constexpr std::array<FrameCorner, 4> kFrameCorners = {{
    {0xDDD7C5, {0x65869F, 0x225583}, {0x65869F, 0x225583}},
    {0xE1DCCA, {0x577C99, 0x154C7D}, {0x6586A0, 0x225583}},
    {0xECEAD9, {0x6A8BA3, 0x225583}, {0x567B99, 0x154C7D}},
    {0xF9F8F2, {0x6184A0, 0x154C7D}, {0x5E829E, 0x154C7D}},
}};

// The 2 x 2 block just inside each frame corner, per cell: top row then bottom row, each
// left to right.
using InnerBlock = std::array<QRgb, 4>;
constexpr std::array<std::array<InnerBlock, 4>, kCellCount> kInnerCorners = {{
    {{{0x557DA2, 0xC0CFDD, 0xBFCEDC, 0xFEFEFE},
      {0xD5DFE8, 0x557DA2, 0xFEFEFD, 0xBFCEDC},
      {0xBFC7CA, 0xE2DFD6, 0x4A7193, 0xA3AEB4},
      {0xDBD7CD, 0xB6BDBD, 0xB1B7B6, 0x486E90}}},
    {{{0x466D8E, 0x9DA8AC, 0xA0ABB1, 0xD6D0C6},
      {0xB1B7B7, 0x497092, 0xDCD9D0, 0xA9B5BD},
      {0xBCC5C7, 0xE6E6DF, 0x4D7598, 0xB2C1CB},
      {0xEDECE7, 0xC4CED2, 0xCAD3DA, 0x4F779B}}},
    {{{0xD8D6CA, 0xEAE9DE, 0xEAE9DE, 0xF5F4EA},
      {0xEEEDE2, 0xD8D6CA, 0xF5F4EA, 0xEAE9DE},
      {0xEEEDE2, 0xF5F4EA, 0xD8D6CA, 0xEAE9DE},
      {0xF5F4EA, 0xEEEDE2, 0xEEEDE2, 0xD8D6CA}}},
    {{{0x8D9EA1, 0xEFE8D2, 0xEEDCAD, 0xFCD279},
      {0xF8EDD3, 0x8D9EA1, 0xFCD279, 0xEEDCAD},
      {0xEFB549, 0xF8B230, 0x848671, 0xE59700},
      {0xF8B330, 0xEDB547, 0xE59700, 0x83846F}}},
    {{{0x274D85, 0xCEE7FF, 0xBCD4F6, 0xBCD4F6},
      {0xCEE7FF, 0x274D85, 0xBCD4F6, 0xBCD4F6},
      {0x89ADE4, 0x89ADE4, 0x274D85, 0x4D7DC1},
      {0x89ADE4, 0x89ADE4, 0x6982EE, 0x274D85}}},
}};

enum Cell { Normal = 0, Pressed = 1, Disabled = 2, Hot = 3, Highlighted = 4 };

const Ring* ringOf(int cell) {
    if (cell == Hot) return &kHotRing;
    if (cell == Highlighted) return &kHighlightRing;
    return nullptr;
}

int mix(int a, int b, int step, int steps) {
    return qRound(a + double(b - a) * step / steps);
}

// Shading of a side column at row y (3-17) from its colours at rows 3, 10 and 17.
QRgb shade(const ShadeKeys& keys, int y) {
    const int segment = y < 10 ? 0 : 1;
    const int step = y - 3 - 7 * segment;
    const QRgb a = keys[segment], b = keys[segment + 1];
    return qRgb(mix(qRed(a), qRed(b), step, 7), mix(qGreen(a), qGreen(b), step, 7),
                mix(qBlue(a), qBlue(b), step, 7));
}

// Columns 3-14 of row y.
QRgb middleColour(int cell, int y) {
    if (cell == Disabled) return (y == 0 || y == kLastRow) ? kDisabledFrame : kDisabledFace;
    if (cell == Pressed) return kPressedFace[y];
    const Ring* ring = ringOf(cell);
    const bool ringRow = (y >= 1 && y <= 2) || (y >= 18 && y <= 19);
    if (ring && ringRow) return ring->rows[y < 3 ? y - 1 : y - 16];
    return kNormalFace[y];
}

// Columns 1, 2, 15 and 16 of rows 3-17.
QRgb sideColour(int cell, int x, int y) {
    switch (cell) {
        case Normal:
            return x > 14 ? shade(kNormalRightSide[x - 15], y) : kNormalFace[y];
        case Pressed:
            return x < 3 ? shade(kPressedLeftSide[x - 1], y) : kPressedFace[y];
        case Disabled:
            return kDisabledFace;
        default:
            if (cell == Hot && ((x == 2 && y <= 7) || (x == 15 && y <= 8))) return kHotRingInner;
            return ringOf(cell)->side[y - 3];
    }
}

// A pixel of one of the four 3 x 3 corner regions.
QRgb cornerColour(int cell, int x, int y) {
    const bool right = x > 14, bottom = y > 17;
    const int corner = (right ? 1 : 0) + (bottom ? 2 : 0);
    const int dx = right ? kLastColumn - x : x;  // distance from the corner pixel
    const int dy = bottom ? kLastRow - y : y;
    if (dx > 0 && dy > 0) {
        const int row = bottom ? y - 18 : y - 1, column = right ? x - 15 : x - 1;
        return kInnerCorners[cell][corner][row * 2 + column];
    }
    if (cell == Disabled) return (dx == 0 && dy == 0) ? kDisabledCorner : kDisabledFrame;
    const FrameCorner& frame = kFrameCorners[corner];
    if (dx == 0 && dy == 0) return frame.corner;
    return dy == 0 ? frame.alongRow[dx - 1] : frame.alongColumn[dy - 1];
}

QRgb cellColour(int cell, int x, int y) {
    const bool cornerColumn = x < 3 || x > 14, cornerRow = y < 3 || y > 17;
    if (cornerColumn && cornerRow) return cornerColour(cell, x, y);
    if (!cornerColumn) return middleColour(cell, y);
    if (x == 0 || x == kLastColumn) return cell == Disabled ? kDisabledFrame : kFrame;
    return sideColour(cell, x, y);
}

QImage buildStrip() {
    QImage strip(kCellCount * kCellWidth, kCellHeight, QImage::Format_RGB32);
    for (int cell = 0; cell < kCellCount; ++cell)
        for (int y = 0; y < kCellHeight; ++y)
            for (int x = 0; x < kCellWidth; ++x)
                strip.setPixel(cell * kCellWidth + x, y, 0xFF000000u | cellColour(cell, x, y));
    return strip;
}

}  // namespace

const QImage& cellStrip() {
    static const QImage strip = buildStrip();
    return strip;
}

}  // namespace skiff
