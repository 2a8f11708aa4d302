#pragma once

#include <QObject>

#include "forms/programhost.h"

namespace skiff {

class Download;
class EngineOptions;
class NewWindowRequest;
class WebBrowser;

// A web engine: it makes the web components of the browser windows and holds what they share
// (cookies, cache, page options, the user's decisions for sites, downloads). The application
// object owns the one engine of the program; the windows reach it through engine().
class Engine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A new web component owned by `owner`. `request` is the page's request that the component
    // answers (see WebBrowser::setNewWindowHook), or null for a window the user opens.
    virtual WebBrowser* createBrowser(QObject* owner, const NewWindowRequest* request) = 0;

    virtual void clearCache() = 0;
    virtual void clearCookies() = 0;
    // Hands changed options to every page.
    virtual void applyOptions(const EngineOptions& options) = 0;

signals:
    // A page asked to download a file; a handler accepts or cancels it (see Download).
    void downloadRequested(skiff::Download* download);
};

// The program host with its engine: what the windows that use the engine ask of the program.
class EngineHost : public ProgramHost {
public:
    // The program host that lives, when it has an engine; null otherwise.
    static EngineHost* current();

    virtual Engine& engine() = 0;
};

// The engine of the program (EngineHost::current()'s); null when there is none.
Engine* engine();

}  // namespace skiff
