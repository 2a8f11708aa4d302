#include "app/enginechoice.h"

#include <QtWebEngineCore/qtwebenginecoreglobal.h>
#include <QFileInfo>

#include "engine/qtwebengine/enginesandbox.h"
#include "engine/qtwebengine/qtengine.h"
#include "engine/webkitgtk/webkitengine.h"

namespace skiff {

namespace {

const QString kWebKitGtk = QStringLiteral("webkitgtk");
const QString kQtWebEngine = QStringLiteral("qtwebengine");

}  // namespace

std::optional<EngineKind> chooseEngine(const std::optional<QString>& option,
                                       const QString& environment, QString* error) {
    const QString name = option ? *option : environment;
    if (name.isEmpty() && !option) return EngineKind::WebKitGtk;
    if (name == kWebKitGtk) return EngineKind::WebKitGtk;
    if (name == kQtWebEngine) return EngineKind::QtWebEngine;
    if (error) {
        *error = QString("skiff: unknown engine '%1'%2 (choose %3 or %4)\n")
                     .arg(name, option ? "" : " in SKIFF_ENGINE", kWebKitGtk, kQtWebEngine);
    }
    return std::nullopt;
}

QString engineVersions() {
    return QString("Web engines: %1 (%2, the default), Qt WebEngine %3 (%4)\n")
        .arg(WebKitEngine::version(), kWebKitGtk, qWebEngineVersion(), kQtWebEngine);
}

// WebKitGTK is shown through X11: on a Wayland desktop the program runs through XWayland.
// Variables that would open a remote inspector into the program, or switch off the web
// process's sandbox, are cleared. Without a session bus no screen reader can listen: WebKit is
// told there is no accessibility bus, where it would otherwise start a bus of its own and warn
// on the terminal that its web process cannot reach one.
void prepareEnvironmentBeforeToolkit(EngineKind kind) {
    if (kind != EngineKind::WebKitGtk) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    for (const char* name : {"WEBKIT_INSPECTOR_SERVER", "WEBKIT_INSPECTOR_HTTP_SERVER",
                             "WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS"})
        qunsetenv(name);
    const bool sessionBus =
        !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
        !qEnvironmentVariableIsEmpty("AT_SPI_BUS_ADDRESS") ||
        QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR", "/nonexistent") + "/bus");
    if (!sessionBus && !qEnvironmentVariableIsSet("WEBKIT_A11Y_BUS_ADDRESS"))
        qputenv("WEBKIT_A11Y_BUS_ADDRESS", "");
}

std::unique_ptr<Engine> makeEngine(EngineKind kind, QString* error) {
    if (kind == EngineKind::QtWebEngine) {
        prepareEngineEnvironment();
        return std::make_unique<QtEngine>();
    }
    QString why;
    if (!WebKitEngine::canStart(&why)) {
        if (error) *error = "skiff: WebKitGTK cannot start: " + why + "\n";
        return nullptr;
    }
    return std::make_unique<WebKitEngine>();
}

}  // namespace skiff
