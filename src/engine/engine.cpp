#include "engine/engine.h"

#include <QPointer>

namespace skiff {

namespace {
QPointer<Engine>& installed() {
    static QPointer<Engine> e;
    return e;
}
}  // namespace

void setEngine(Engine* e) {
    installed() = e;
}

Engine* engine() {
    return installed();
}

}  // namespace skiff
