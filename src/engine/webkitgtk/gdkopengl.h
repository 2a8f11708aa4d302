#pragma once

namespace skiff {

// Whether the OpenGL that GDK gives this display's windows draws on the CPU; not when there is
// none. GTK must be started. Asked of a window of its own, made for the question and destroyed
// after it: a window GDK has made an OpenGL context for draws through OpenGL from then on.
// Plain GTK without Qt, so that the benchmarks' bare WebKitGTK view asks the same way.
bool gdkGlRunsOnCpu();

}  // namespace skiff
