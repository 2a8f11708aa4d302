#include "support/serverinput.h"

#include <QGuiApplication>
#include <QWidget>

// Xlib's macros clash with Qt's names: after every Qt header.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace skiff::test {

void serverClick(QWidget* widget, QPoint pos) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) qFatal("serverClick needs Qt's xcb platform");
    Display* display = x11->display();
    const QPoint global = widget->mapToGlobal(pos);
    XTestFakeMotionEvent(display, -1, global.x(), global.y(), CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
}

}  // namespace skiff::test
