#include "windowtestbase.h"

#include <QApplication>
#include <QDir>
#include <QPointer>

#include "browser/frmmain.h"
#include "engine/qtwebengine/qtengine.h"
#include "favorites/frmfavorites.h"
#include "forms/browserhost.h"
#include "forms/messagebox.h"
#include "options/internetoptions.h"
#include "settings/frmsettings.h"
#include "source_viewer/frmsource.h"

namespace skiff::test {

namespace {
QList<QPointer<ScriptedEngine>>& made() {
    static QList<QPointer<ScriptedEngine>> list;
    return list;
}
}  // namespace

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
    made().clear();
    if (engine == Engine::Real) {
        realEngine_ = std::make_unique<QtEngine>();
        setEngine(realEngine_.get());
    } else {
        scripted.make = [](QObject* owner) -> WebBrowser* {
            auto* wb = new ScriptedEngine(owner);
            made().append(wb);
            return wb;
        };
        setEngine(&scripted);
    }
    FrmMain::setClock(clock);
    setFirstBrowserWindowAccessor([] { return &frmMain(); });
    setMessageSink([this](const QString& prompt, const QString& title) {
        messages.append({prompt, title});
    });
}

WindowTestEnvironment::~WindowTestEnvironment() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* browser = qobject_cast<FrmMain*>(w); browser && !frmMainLoaded())
            browser->close();
    unloadFrmMain();
    unloadFrmFavorites();
    unloadFrmSettings();
    unloadFrmSource();
    unloadFrmOptions();
    settle();
    setMessageSink({});
    QDir::setCurrent(previousDir_);
}

QList<ScriptedEngine*> WindowTestEnvironment::engines() const {
    QList<ScriptedEngine*> out;
    for (const auto& p : made())
        if (p) out << p.data();
    return out;
}

ScriptedEngine* WindowTestEnvironment::firstEngine() const {
    return qobject_cast<ScriptedEngine*>(frmMain().wbMain());
}

}  // namespace skiff::test
