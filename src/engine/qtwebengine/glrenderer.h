#pragma once

#include <QByteArray>

namespace skiff {

// Whether `glRenderer`, the name an OpenGL driver gives its renderer (GL_RENDERER), names one
// that draws on the CPU.
bool isSoftwareRenderer(const QByteArray& glRenderer);

// Whether the default OpenGL of this display, as Qt gives it, draws on the CPU (a machine
// without a graphics card, a virtual X display); asked once. Needs the application object.
bool glRunsOnCpu();

}  // namespace skiff
