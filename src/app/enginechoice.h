#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace skiff {

class Engine;

// The web engines the program can run on. WebKitGTK, the default, gets current releases through
// the distribution's security updates (see README).
enum class EngineKind { WebKitGtk, QtWebEngine };

// The engine the user chose: `option` is the value of --engine, if given, which wins over
// `environment`, the value of SKIFF_ENGINE (empty when not set); neither gives the default.
// Nothing, with `error` set to one line, for a name that is no engine's.
std::optional<EngineKind> chooseEngine(const std::optional<QString>& option,
                                       const QString& environment, QString* error);

// Lines naming the engines and their versions, for --version.
QString engineVersions();

// Loads the module of the engine `kind` (found in the program when it is linked in), before the
// application object exists: Qt WebEngine prepares Qt for itself as that starts, and only when
// it is in the process by then. False, with `error` set to one line, when it cannot be loaded.
bool loadEngine(EngineKind kind, QString* error);

// Prepares the process environment for `kind`, before the application object exists.
void prepareEnvironmentBeforeToolkit(EngineKind kind);

// Makes the engine; the application object must exist. Null, with `error` set to one line,
// when it cannot run here.
std::unique_ptr<Engine> makeEngine(EngineKind kind, QString* error);

}  // namespace skiff
