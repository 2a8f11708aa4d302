#pragma once

#include <QPoint>

class QWidget;

namespace skiff::test::x11 {

// Input through the X server's test extension (XTest), as a person's mouse and keyboard give
// it: it reaches the X window under the pointer or with the keyboard focus, whichever toolkit
// made that window. For tests under x11/, where a page shown by either engine must get input
// the way a user's reaches it. The events arrive later, through the event loop.

// A click of the left button at `pos` of `widget` (its centre when no point is given).
void click(QWidget* widget, QPoint pos = {});
// A key pressed and released, named as an X keysym ("Return", "space", "a"), in the window with
// the keyboard focus. False when the name is unknown.
bool pressKey(const char* keysym);

}  // namespace skiff::test::x11
