#pragma once

#include <QPoint>

class QWidget;

namespace skiff {

// The pointer position in screen pixels: the real pointer's, or while a PointerSource lives,
// the one it gives.
QPoint pointerPosition();

// Converts a screen point into the client coordinates of `window`.
QPoint screenToClient(const QWidget* window, const QPoint& screen);

// A pointer of one's own, for tests: while an object of a class derived from it lives,
// pointerPosition() reads its position (the last one made, when there are several).
class PointerSource {
public:
    PointerSource(const PointerSource&) = delete;
    PointerSource& operator=(const PointerSource&) = delete;

    virtual QPoint position() const = 0;

protected:
    PointerSource();
    virtual ~PointerSource();

private:
    PointerSource* previous_;
};

}  // namespace skiff
