#include "support/browsertest.h"

#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "engine/webbrowser.h"
#include "engine/webkitgtk/webkitbrowser.h"

namespace skiff::test {

std::optional<QString> runScript(WebBrowser& wb, const QString& script, int wait) {
    std::optional<QString> result;
    bool done = false;
    if (auto* webkit = qobject_cast<WebKitBrowser*>(&wb)) {
        webkit->runScript(
            script,
            [&](std::optional<QString> value) {
                result = value;
                done = true;
            },
            nullptr);
    } else if (auto* view = qobject_cast<QWebEngineView*>(wb.widget())) {
        view->page()->runJavaScript(script, [&](const QVariant& value) {
            if (value.isValid() && !value.isNull()) result = value.toString();
            done = true;
        });
    } else {
        return std::nullopt;
    }
    if (!QTest::qWaitFor([&] { return done; }, wait)) return std::nullopt;
    return result;
}

bool loadCompletes(WebBrowser& wb, const std::function<void()>& start, int wait) {
    QSignalSpy done(&wb, &WebBrowser::DocumentComplete);
    start();
    return done.wait(wait);
}

bool navigated(WebBrowser& wb, const QString& address, int wait) {
    return loadCompletes(
        wb, [&] { wb.Navigate(address); }, wait);
}

}  // namespace skiff::test
