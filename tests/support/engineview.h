#pragma once

#include <QUrl>
#include <QVariant>
#include <QWebEngineView>

namespace skiff {
class FrmMain;
class QtEngine;
}  // namespace skiff

namespace skiff::test {

// Runs `script` in the page's own world of `view` and waits for its result; an invalid value
// when no answer came in time.
QVariant runScript(QWebEngineView* view, const QString& script, int wait = 30000);

// The web view of the browser window `window` on the real engine.
QWebEngineView* viewOf(FrmMain& window);

// The bytes of the file at `path`; empty when it cannot be read.
QByteArray fileContents(const QString& path);

// A shown web view on the profile of `engine`, for tests of the engine layer.
class EngineView : public QWebEngineView {
public:
    static constexpr int kWait = 30000;

    explicit EngineView(QtEngine& engine);

    // Loads `url` and waits until the load ends, well or not; false when it did not end.
    bool loaded(const QUrl& url);
    // Runs `script` in the page's own world and waits for its result.
    QVariant run(const QString& script);
};

}  // namespace skiff::test
