#pragma once

class QWidget;

namespace skiff {

// Widgets of the browser window that change often (the status bar's panels with the clock) are
// drawn in native windows of their own, embedded in the browser window.
// In a window that holds a web view the toolkit composes the whole window again, through
// OpenGL (which runs on the CPU on a machine without a graphics card), for any repaint in it;
// a repaint in a window of its own is copied to the screen alone.
//
// Windows nest on the desktop platforms (X11, Wayland); elsewhere (the offscreen platform of
// the tests) nothing is composed, and `content` simply lies in its host.
bool windowsNest();

// Places `content`, a widget without a parent, over the whole of `host`: in a window of its
// own embedded in `host` where windows nest, else as a child of `host`. `content` takes the
// host's font and colours, now and when they change, and is deleted with the host. An embedded
// window shown while a menu was open closed the menu (Qt 6.4): use it for widgets that stay
// shown.
void fillWithOwnWindow(QWidget* host, QWidget* content);

}  // namespace skiff
