#pragma once

#include <QString>
#include <memory>

namespace skiff {

class Engine;

// What the module of a web engine gives the program. The program loads the module of the engine
// it runs on, and only that one, so that the other engine's libraries stay out of the process.
// A module defines one of these as `skiff_<name>_module` (see app/enginechoice.cpp).
struct EngineModule {
    // The engine's name and version, "WebKitGTK 2.50.6".
    QString (*version)();
    // Makes the engine; the application object must exist. Null, with `why` set, when it cannot
    // run here.
    std::unique_ptr<Engine> (*make)(QString* why);
};

}  // namespace skiff
