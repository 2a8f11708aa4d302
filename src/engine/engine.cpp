#include "engine/engine.h"

namespace skiff {

EngineHost* EngineHost::current() {
    return dynamic_cast<EngineHost*>(ProgramHost::current());
}

Engine* engine() {
    EngineHost* host = EngineHost::current();
    return host ? &host->engine() : nullptr;
}

}  // namespace skiff
