#include "support/engineview.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <memory>
#include <optional>

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

// The engine may answer after the wait is over: the answer goes to a place that outlives it.
QVariant runScript(QWebEngineView* view, const QString& script, int wait) {
    const auto answer = std::make_shared<std::optional<QVariant>>();
    view->page()->runJavaScript(script, [answer](const QVariant& value) { *answer = value; });
    if (!QTest::qWaitFor([&] { return answer->has_value(); }, wait)) return {};
    return **answer;
}

QWebEngineView* viewOf(FrmMain& window) {
    return qobject_cast<QWebEngineView*>(window.wbMain()->widget());
}

QByteArray fileContents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace skiff::test
