#pragma once

#include <QByteArray>

namespace skiff {

// Prepares the process environment for the web engine. Call it before the engine starts (its
// first profile). The engine's sandbox stays on, except when the process runs as root, where the
// engine refuses to start with it: then it is switched off with one warning line on stderr
// (unless the environment already says what to do). The engine's background traffic to its
// vendor's update and reporting hosts is switched off. Pages reach screen readers.
void prepareEngineEnvironment();

// `flags` (a command line for the engine) with the program's own engine switches added, each
// once, keeping every switch already there.
QByteArray withEngineSwitches(const QByteArray& flags);

}  // namespace skiff
