#pragma once

// Which look a command button shows on screen. Each of the five cells of the button's strip
// is told apart by three rows of its middle columns: the frame (row 0), the top of the face
// (row 1) and its bottom (row 19):
//
//   cell             row 0     row 1     row 19
//   0 normal         #003C74   #FFFFFF   #D6D0C5
//   1 pressed        #003C74   #D1CCC1   #F2F1EE
//   2 disabled       #C9C7BA   #F5F4EA   #F5F4EA
//   3 hot            #003C74   #FFF0CF   #E59700
//   4 highlighted    #003C74   #CEE7FF   #6982EE
//
// A button 21 pixels high (315 twips) shows the cell's rows one to one; its middle columns
// (the middle third of its width) are a plain stretch of the cell's middle columns.

#include <QImage>
#include <QRect>
#include <QString>

namespace skiff::e2e {

class XSession;

enum Cell {
    NoCell = -1,
    NormalCell = 0,
    PressedCell = 1,
    DisabledCell = 2,
    HotCell = 3,
    HighlightedCell = 4
};

// The cell that `face` (a 21-pixel-high grab of a button) shows; NoCell when it matches
// none (each channel within one unit).
Cell cellShown(const QImage& face);
// The cell the button at `rootRect` shows on screen now.
Cell cellOnScreen(const XSession& x, const QRect& rootRect);
// Waits until the button at `rootRect` shows `cell`; false on time-out.
bool waitForCell(const XSession& x, const QRect& rootRect, Cell cell);
QString cellName(Cell cell);

}  // namespace skiff::e2e
