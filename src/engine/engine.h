#pragma once

#include <QObject>

namespace skiff {

class Download;
class EngineOptions;
class WebBrowser;

// A web engine: it makes the web components of the browser windows and holds what they share
// (cookies, cache, page options, downloads). The program picks one at start; the windows reach
// it through engine().
class Engine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A new web component owned by `owner`.
    virtual WebBrowser* createBrowser(QObject* owner) = 0;

    virtual void clearCache() = 0;
    virtual void clearCookies() = 0;
    // Hands changed options to every page.
    virtual void applyOptions(const EngineOptions& options) = 0;

signals:
    // A page asked to download a file; a handler accepts or cancels it (see Download).
    void downloadRequested(skiff::Download* download);
};

// The engine of the program; null until one is installed.
void setEngine(Engine* engine);
Engine* engine();

}  // namespace skiff
