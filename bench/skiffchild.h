#pragma once

// A benchmark child that runs Skiff as the program does: the engine's environment, the
// application, the Qt WebEngine engine and the first browser window, shown.

#include <QApplication>
#include <functional>
#include <memory>

#include "app/application.h"
#include "browser/frmmain.h"
#include "engine/qtwebengine/enginesandbox.h"
#include "engine/qtwebengine/qtengine.h"

namespace skiff::bench {

// Runs Skiff until the parent ends it. `prepare` sees the first browser window before it shows.
inline int runSkiffChild(int argc, char** argv, const std::function<void(FrmMain&)>& prepare) {
    prepareEngineEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Skiff");
    Application application(std::make_unique<QtEngine>());
    FrmMain& window = frmMain();
    prepare(window);
    window.show();
    window.activateWindow();  // as a window manager does with a new window
    return app.exec();
}

}  // namespace skiff::bench
