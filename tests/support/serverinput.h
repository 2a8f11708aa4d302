#pragma once

#include <QPoint>

class QWidget;

namespace skiff::test {

// A left click at `pos` of `widget`, sent through the X server as the user's pointer sends it
// (XTest): it reaches whatever window is under that point, a web engine's own windows too, and
// a page takes it as the user's own click. Needs Qt's xcb platform.
void serverClick(QWidget* widget, QPoint pos);

}  // namespace skiff::test
