#include "e2e/buttoncells.h"

#include <cstdlib>

#include "e2e/xsession.h"

namespace skiff::e2e {

namespace {

struct CellRows {
    Cell cell;
    QRgb frame, top, bottom;  // rows 0, 1 and 19
};

constexpr CellRows kCells[] = {
    {NormalCell, 0x003C74, 0xFFFFFF, 0xD6D0C5},      {PressedCell, 0x003C74, 0xD1CCC1, 0xF2F1EE},
    {DisabledCell, 0xC9C7BA, 0xF5F4EA, 0xF5F4EA},    {HotCell, 0x003C74, 0xFFF0CF, 0xE59700},
    {HighlightedCell, 0x003C74, 0xCEE7FF, 0x6982EE},
};

bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 1 && std::abs(qGreen(a) - qGreen(b)) <= 1 &&
           std::abs(qBlue(a) - qBlue(b)) <= 1;
}

// Every middle column of row `y` holds `colour`.
bool rowHolds(const QImage& face, int y, QRgb colour) {
    for (int x = face.width() / 3; x <= face.width() * 2 / 3; ++x) {
        if (!near(face.pixel(x, y), colour)) return false;
    }
    return true;
}

}  // namespace

Cell cellShown(const QImage& face) {
    if (face.height() != 21 || face.width() < 18) return NoCell;
    for (const CellRows& c : kCells) {
        if (rowHolds(face, 0, c.frame) && rowHolds(face, 1, c.top) &&
            rowHolds(face, 19, c.bottom)) {
            return c.cell;
        }
    }
    return NoCell;
}

Cell cellOnScreen(const XSession& x, const QRect& rootRect) {
    return cellShown(x.grab(rootRect));
}

bool waitForCell(const XSession& x, const QRect& rootRect, Cell cell) {
    return waitFor([&] { return cellOnScreen(x, rootRect) == cell; });
}

QString cellName(Cell cell) {
    static const char* const names[] = {"normal", "pressed", "disabled", "hot", "highlighted"};
    return cell == NoCell ? QString("none") : QString(names[cell]);
}

}  // namespace skiff::e2e
