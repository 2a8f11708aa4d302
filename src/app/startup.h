#pragma once

#include <QApplication>
#include <memory>

namespace skiff {

// True when the environment asks for the toolkit's and the engine's diagnostic messages
// (SKIFF_DEBUG set to anything but empty or "0").
bool diagnosticsWanted();

// A normal start prints nothing on standard error unless something is wrong: Qt's messages
// below warnings (such as the web engine's report of its graphics set-up) are switched off,
// unless diagnostics are wanted. QT_LOGGING_RULES still overrides this.
void quietenDiagnostics();

// Creates the application object. Without a display to open windows on (no graphical session,
// or one that cannot be reached), the toolkit cannot start: then the program prints one line
// saying so and ends with status 1, instead of aborting. What Qt said on the way is printed
// only when diagnostics are wanted.
std::unique_ptr<QApplication> startApplication(int& argc, char** argv);

}  // namespace skiff
