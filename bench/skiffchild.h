#pragma once

// A benchmark child that runs Skiff as the program does: the engine's environment, the
// application, the chosen engine and the first browser window, shown. And the names of the two
// engines as the children take them on their command line.

#include <QApplication>
#include <QString>
#include <cstdio>
#include <functional>
#include <memory>

#include "app/application.h"
#include "app/enginechoice.h"
#include "browser/frmmain.h"
#include "engine/engine.h"

namespace skiff::bench {

inline const char* engineName(EngineKind kind) {
    return kind == EngineKind::WebKitGtk ? "webkitgtk" : "qtwebengine";
}

// Runs Skiff on the engine named `engine` (as --engine takes it) until the parent ends it.
// `prepare` sees the first browser window before it shows.
inline int runSkiffChild(int argc, char** argv, const QString& engine,
                         const std::function<void(FrmMain&)>& prepare) {
    QString error;
    const std::optional<EngineKind> kind = chooseEngine(engine, {}, &error);
    if (!kind || !loadEngine(*kind, &error)) {
        std::fputs(qPrintable(error), stderr);
        return 2;
    }
    prepareEnvironmentBeforeToolkit(*kind);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Skiff");
    std::unique_ptr<Engine> made = makeEngine(*kind, &error);
    if (!made) {
        std::fputs(qPrintable(error), stderr);
        return 1;
    }
    Application application(std::move(made));
    FrmMain& window = frmMain();
    prepare(window);
    window.show();
    window.activateWindow();  // as a window manager does with a new window
    return app.exec();
}

}  // namespace skiff::bench
