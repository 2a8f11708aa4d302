#include "engine/qtwebengine/glrenderer.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include "engine/softwaregl.h"

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
    return namesSoftwareRenderer(std::string_view(glRenderer.constData(), glRenderer.size()));
}

bool glRunsOnCpu() {
    static const bool onCpu = isSoftwareRenderer(openGlRenderer());
    return onCpu;
}

}  // namespace skiff
