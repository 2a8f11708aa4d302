#include "support/browsertest.h"

#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <memory>

#include "engine/webbrowser.h"
#include "engine/webkitgtk/webkitbrowser.h"

namespace skiff::test {

// The engine may answer after the wait is over: the answer goes to a place that outlives it.
std::optional<QString> runScript(WebBrowser& wb, const QString& script, int wait) {
    struct Answer {
        std::optional<QString> result;
        bool done = false;
    };
    const auto answer = std::make_shared<Answer>();
    if (auto* webkit = qobject_cast<WebKitBrowser*>(&wb)) {
        webkit->runScript(
            script,
            [answer](std::optional<QString> value) {
                answer->result = value;
                answer->done = true;
            },
            nullptr);
    } else if (auto* view = qobject_cast<QWebEngineView*>(wb.widget())) {
        view->page()->runJavaScript(script, [answer](const QVariant& value) {
            if (value.isValid() && !value.isNull()) answer->result = value.toString();
            answer->done = true;
        });
    } else {
        return std::nullopt;
    }
    if (!QTest::qWaitFor([&] { return answer->done; }, wait)) return std::nullopt;
    return answer->result;
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
