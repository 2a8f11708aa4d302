#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

#include "engine/pagereports.h"

using WebKitAuthenticationRequest = struct _WebKitAuthenticationRequest;
using WebKitFileChooserRequest = struct _WebKitFileChooserRequest;
using WebKitPermissionRequest = struct _WebKitPermissionRequest;
using GTlsCertificate = struct _GTlsCertificate;

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
//
// WebKit's request waits, referenced, while the user is asked on the program's own turn of the
// event loop: a question never runs inside WebKit's signal.
class WebKitDialogs : public QObject {
    Q_OBJECT
public:
    WebKitDialogs(WebKitBrowser& browser, WebKitEngine& engine, PageDialogs* pageDialogs);
    ~WebKitDialogs() override;

    // Loads the page whose web process stopped again; false, doing nothing, when no such notice
    // is on display (then an ordinary reload is what is wanted).
    bool reloadAfterCrash();
    // The page's web process stopped: the notice takes the page's place.
    void onWebProcessTerminated();
    // Reports `text` once the next load to start has ended.
    void reportAfterNextLoad(const QString& text) { m_reports.reportAfterNextLoad(text); }

signals:
    // Why a page did not load, or what became of it, for the browser's status bar. A message
    // about a page that is loading comes after the load has ended, and after the browser's own
    // end-of-load messages.
    void statusMessage(const QString& text);

private:
    void connectView();
    void onAuthenticate(WebKitAuthenticationRequest* request);
    void onCertificateError(const QString& uri, GTlsCertificate* certificate, unsigned errors);
    void askAboutCertificate(const QString& uri, GTlsCertificate* certificate, const QString& why);
    void allowCertificate(const QString& uri, GTlsCertificate* certificate);
    void onPermissionRequest(WebKitPermissionRequest* request);
    void onFileChooser(WebKitFileChooserRequest* request);
    void showCrashNotice();
    void onLoadChanged(int event);
    QWidget* dialogParent() const;
    // Asks through `show` as one of the page's dialogs; `closing` while the page closes.
    bool ask(const std::function<bool()>& show, bool closing);

    WebKitBrowser& m_browser;  // the parent
    WebKitEngine& m_engine;
    QPointer<PageDialogs> m_pageDialogs;
    PageReports m_reports;
    QUrl m_documentOrigin;  // the site of the page on display
};

}  // namespace skiff
