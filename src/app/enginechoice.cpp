#include "app/enginechoice.h"

#include <dlfcn.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>

#include "engine/engine.h"
#include "engine/enginemodule.h"

namespace skiff {

namespace {

const QString kWebKitGtk = QStringLiteral("webkitgtk");
const QString kQtWebEngine = QStringLiteral("qtwebengine");

QString optionName(EngineKind kind) {
    return kind == EngineKind::WebKitGtk ? kWebKitGtk : kQtWebEngine;
}

QString displayName(EngineKind kind) {
    return kind == EngineKind::WebKitGtk ? "WebKitGTK" : "Qt WebEngine";
}

// The engines' modules lie in the build folder for a program that runs from there, and in the
// folder they are installed in, beside the program's, for an installed one.
QString moduleFolder() {
    const QFileInfo program("/proc/self/exe");
    const QString build = QFileInfo(SKIFF_BUILD_DIR).canonicalFilePath();  // "" when gone
    if (!build.isEmpty() && program.canonicalFilePath().startsWith(build + '/'))
        return build + "/engines";
    return QDir::cleanPath(program.canonicalPath() + "/" SKIFF_ENGINE_DIR_FROM_BIN);
}

struct LoadedModule {
    const EngineModule* module = nullptr;
    QString error;  // why it could not be loaded
};

// A module is found in the program itself when the engine is linked in (as in the tests), and
// is otherwise loaded from its file. It stays for the rest of the run.
LoadedModule load(EngineKind kind) {
    const QByteArray symbol = "skiff_" + optionName(kind).toLatin1() + "_module";
    if (void* linked = dlsym(RTLD_DEFAULT, symbol.constData()))
        return {static_cast<const EngineModule*>(linked), {}};
    const QString file = moduleFolder() + "/skiff-" + optionName(kind) + ".so";
    void* handle = dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
    void* entry = handle ? dlsym(handle, symbol.constData()) : nullptr;
    if (!entry) return {nullptr, QString::fromLocal8Bit(dlerror())};
    return {static_cast<const EngineModule*>(entry), {}};
}

const LoadedModule& engineModule(EngineKind kind) {
    static std::map<EngineKind, LoadedModule> modules;
    auto found = modules.find(kind);
    if (found == modules.end()) found = modules.emplace(kind, load(kind)).first;
    return found->second;
}

QString versionOf(EngineKind kind) {
    const LoadedModule& loaded = engineModule(kind);
    if (loaded.module) return loaded.module->version();
    return QString("%1 (cannot be loaded: %2)").arg(displayName(kind), loaded.error);
}

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
    return QString("Web engines: %1 (%2, the default), %3 (%4)\n")
        .arg(versionOf(EngineKind::WebKitGtk), kWebKitGtk, versionOf(EngineKind::QtWebEngine),
             kQtWebEngine);
}

// WebKitGTK is shown through X11: on a Wayland desktop the program runs through XWayland.
// Variables that would open a remote inspector into the program, or switch off the web
// process's sandbox, are cleared.
void prepareEnvironmentBeforeToolkit(EngineKind kind) {
    if (kind != EngineKind::WebKitGtk) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    for (const char* name : {"WEBKIT_INSPECTOR_SERVER", "WEBKIT_INSPECTOR_HTTP_SERVER",
                             "WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS"})
        qunsetenv(name);
}

bool loadEngine(EngineKind kind, QString* error) {
    const LoadedModule& loaded = engineModule(kind);
    if (!loaded.module && error)
        *error =
            QString("skiff: cannot load the %1 engine: %2\n").arg(displayName(kind), loaded.error);
    return loaded.module != nullptr;
}

std::unique_ptr<Engine> makeEngine(EngineKind kind, QString* error) {
    if (!loadEngine(kind, error)) return nullptr;
    QString why;
    std::unique_ptr<Engine> engine = engineModule(kind).module->make(&why);
    if (!engine && error) *error = "skiff: " + why + "\n";
    return engine;
}

}  // namespace skiff
