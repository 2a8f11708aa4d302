#include "engine/qtwebengine/scenegraph.h"

#include <QQuickWindow>
#include <utility>

#include "engine/qtwebengine/glrenderer.h"

namespace skiff {

void chooseSceneGraphRenderer() {
    static bool chosen = false;
    if (std::exchange(chosen, true)) return;
    if (qEnvironmentVariableIsSet("QT_QUICK_BACKEND") ||
        qEnvironmentVariableIsSet("QSG_RHI_BACKEND"))
        return;
    if (glRunsOnCpu()) QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

}  // namespace skiff
