#include "windowtestbase.h"

#include <QApplication>
#include <QDir>

#include "app/enginechoice.h"
#include "browser/frmmain.h"
#include "favorites/frmfavorites.h"
#include "internetoptions/internetoptions.h"
#include "settings/frmsettings.h"
#include "source_viewer/frmsource.h"

namespace skiff::test {

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

WindowTestEnvironment::WindowTestEnvironment(Engine engine) {
    previousDir_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
    std::unique_ptr<skiff::Engine> made;
    if (engine == Engine::Real) {
        // The engine the test runs on: SKIFF_ENGINE's.
        QString error;
        const std::optional<EngineKind> kind =
            chooseEngine(std::nullopt, qEnvironmentVariable("SKIFF_ENGINE"), &error);
        if (kind) made = makeEngine(*kind, &error);
        if (!made) qFatal("%s", qPrintable(error));
    } else {
        made = std::make_unique<ScriptedEngine>();
        scripted_ = static_cast<ScriptedEngine*>(made.get());
    }
    app_ = std::make_unique<Application>(std::move(made), clock);
    app_->messageSink = [this](const QString& prompt, const QString& title) {
        messages.append({prompt, title});
    };
}

WindowTestEnvironment::~WindowTestEnvironment() {
    unloadFrmMain();
    unloadFrmFavorites();
    unloadFrmSettings();
    unloadFrmSource();
    unloadFrmOptions();
    app_.reset();
    settle();
    QDir::setCurrent(previousDir_);
}

QList<ScriptedBrowser*> WindowTestEnvironment::engines() const {
    QList<ScriptedBrowser*> out;
    if (!scripted_) return out;
    for (const auto& p : scripted_->made)
        if (p) out << p.data();
    return out;
}

ScriptedBrowser* WindowTestEnvironment::firstEngine() const {
    return qobject_cast<ScriptedBrowser*>(frmMain().wbMain());
}

}  // namespace skiff::test
