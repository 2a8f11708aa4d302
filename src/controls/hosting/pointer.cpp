#include "controls/hosting/pointer.h"

#include <QCursor>
#include <QWidget>

namespace skiff {

namespace {
PointerSource& pointerSource() {
    static PointerSource source;
    return source;
}
}  // namespace

QPoint pointerPosition() {
    const PointerSource& source = pointerSource();
    return source ? source() : QCursor::pos();
}

QPoint screenToClient(const QWidget* window, const QPoint& screen) {
    return window->mapFromGlobal(screen);
}

void setPointerSource(PointerSource source) {
    pointerSource() = std::move(source);
}

}  // namespace skiff
