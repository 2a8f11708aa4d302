#include "support/engineview.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>

#include "browser/frmmain.h"
#include "engine/qtwebengine/qtengine.h"
#include "engine/webbrowser.h"

namespace skiff::test {

EngineView::EngineView(QtEngine& engine) {
    setPage(new QWebEnginePage(engine.profile(), this));
    resize(400, 300);
    show();
}

bool EngineView::loaded(const QUrl& url) {
    QSignalSpy finished(page(), &QWebEnginePage::loadFinished);
    page()->load(url);
    return finished.wait(kWait);
}

QVariant EngineView::run(const QString& script) {
    return runScript(this, script, kWait);
}

QVariant runScript(QWebEngineView* view, const QString& script, int wait) {
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, wait)) return {};
    return result;
}

QWebEngineView* viewOf(FrmMain& window) {
    return qobject_cast<QWebEngineView*>(window.wbMain()->widget());
}

QByteArray fileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace skiff::test
