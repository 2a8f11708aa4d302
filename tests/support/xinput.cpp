#include "support/xinput.h"

#include <QWidget>

// Xlib's macros clash with Qt's names: after every Qt header.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace skiff::test::x11 {

namespace {

// A connection of the test's own, opened once.
Display* display() {
    static Display* opened = XOpenDisplay(nullptr);
    return opened;
}

}  // namespace

void click(QWidget* widget, QPoint pos) {
    Display* d = display();
    if (!d) return;
    const QPoint at = widget->mapToGlobal(pos.isNull() ? widget->rect().center() : pos);
    XTestFakeMotionEvent(d, -1, at.x(), at.y(), CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XFlush(d);
}

bool pressKey(const char* keysym) {
    Display* d = display();
    const KeySym sym = XStringToKeysym(keysym);
    const KeyCode code = d && sym != NoSymbol ? XKeysymToKeycode(d, sym) : 0;
    if (!code) return false;
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    XFlush(d);
    return true;
}

}  // namespace skiff::test::x11
