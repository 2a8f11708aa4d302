#include "controls/hosting/pointer.h"

#include <QCursor>
#include <QWidget>
#include <utility>

namespace skiff {

namespace {
PointerSource* current = nullptr;
}  // namespace

PointerSource::PointerSource() : previous_(std::exchange(current, this)) {}

PointerSource::~PointerSource() {
    if (current == this) current = previous_;
}

QPoint pointerPosition() {
    return current ? current->position() : QCursor::pos();
}

QPoint screenToClient(const QWidget* window, const QPoint& screen) {
    return window->mapFromGlobal(screen);
}

}  // namespace skiff
