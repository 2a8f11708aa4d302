#pragma once

#include <QPoint>
#include <functional>

class QWidget;

namespace skiff {

// The pointer position in screen pixels.
QPoint pointerPosition();

// Converts a screen point into the client coordinates of `window`.
QPoint screenToClient(const QWidget* window, const QPoint& screen);

// Where pointerPosition() reads the pointer. Tests install a source of their own; an empty
// source restores the real pointer.
using PointerSource = std::function<QPoint()>;
void setPointerSource(PointerSource source);

}  // namespace skiff
