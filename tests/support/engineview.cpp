#include "support/engineview.h"

#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>

#include "platform/qtwebbrowser.h"

namespace skiff::test {

EngineView::EngineView() {
    setPage(new QWebEnginePage(QtWebBrowser::sharedProfile(), this));
    resize(400, 300);
    show();
}

bool EngineView::loaded(const QUrl& url) {
    QSignalSpy finished(page(), &QWebEnginePage::loadFinished);
    page()->load(url);
    return finished.wait(kWait);
}

QVariant EngineView::run(const QString& script) {
    QVariant result;
    bool done = false;
    page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, kWait)) return {};
    return result;
}

}  // namespace skiff::test
