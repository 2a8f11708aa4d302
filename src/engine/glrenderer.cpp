#include "engine/glrenderer.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

namespace skiff {

namespace {

// The renderer of the default OpenGL; empty when there is none.
QByteArray openGlRenderer() {
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!context.create() || !context.makeCurrent(&surface)) return {};
    const GLubyte* name = context.functions()->glGetString(GL_RENDERER);
    const QByteArray renderer(name ? reinterpret_cast<const char*>(name) : "");
    context.doneCurrent();
    return renderer;
}

}  // namespace

bool isSoftwareRenderer(const QByteArray& glRenderer) {
    // Mesa's (llvmpipe, softpipe, the classic swrast) and Chromium's own.
    static const char* const kSoftware[] = {"llvmpipe", "softpipe", "software rasterizer", "swrast",
                                            "swiftshader"};
    const QByteArray name = glRenderer.toLower();
    for (const char* software : kSoftware)
        if (name.contains(software)) return true;
    return false;
}

bool glRunsOnCpu() {
    static const bool onCpu = isSoftwareRenderer(openGlRenderer());
    return onCpu;
}

}  // namespace skiff
