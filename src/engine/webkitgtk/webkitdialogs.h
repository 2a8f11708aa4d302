#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

namespace skiff {

class PageDialogs;
class WebKitBrowser;
class WebKitEngine;

// The questions WebKit asks the user about one page, as the page's dialogs (see
// PageDialogs::guarded): user names and passwords for sites and proxies, invalid certificates,
// permission requests, and the files to upload; and the notice shown after the page's web
// process stopped. The user's answers on certificates and permissions are the engine's
// decisions for the site (SiteDecisions): asked once, they hold for every page of the site in
// this session. While the browser is silent, certificates are refused without asking.
class WebKitDialogs : public QObject {
    Q_OBJECT
public:
    static constexpr char kCrashMessage[] =
        "The page stopped working. Press Refresh to load it again.";

    WebKitDialogs(WebKitBrowser& browser, WebKitEngine& engine, PageDialogs* pageDialogs);
    ~WebKitDialogs() override;

    // Loads the page whose web process stopped again; false, doing nothing, when no such notice
    // is on display (then an ordinary reload is what is wanted).
    bool reloadAfterCrash();

signals:
    // Why a page did not load, or what became of it, for the browser's status bar; after the
    // browser's own end-of-load messages.
    void statusMessage(const QString& text);

private:
    WebKitBrowser& m_browser;
    WebKitEngine& m_engine;
    QPointer<PageDialogs> m_pageDialogs;
    QString m_crashedUri;
};

}  // namespace skiff
