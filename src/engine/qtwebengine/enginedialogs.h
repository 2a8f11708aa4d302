#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>
#include <functional>

#include "engine/pagereports.h"

class QAuthenticator;
class QWebEngineCertificateError;
class QWebEngineLoadingInfo;

namespace skiff {

class PageDialogs;
class SiteDecisions;

// The dialogs the engine needs from the user for one page: user names and passwords for
// sites and proxies, invalid certificates, permission requests, and the page shown after its
// renderer stopped. They show as the page's dialogs (see PageDialogs::guarded) when the page
// has those. The page's script dialogs are the PageDialogs'; the upload file chooser is the
// engine's own. Leaves the engine's error pages on, so that a page that does not load says why.
// The user's answers on certificates and permissions are the engine's decisions for the site
// (SiteDecisions): asked once, they hold for every page of the site in this session.
class EngineDialogs : public QObject {
    Q_OBJECT
public:
    EngineDialogs(QWebEnginePage* page, SiteDecisions& decisions, QObject* parent = nullptr,
                  PageDialogs* pageDialogs = nullptr);

    // Decides on an invalid certificate of the page. A decision the user made for the site
    // holds; otherwise, while `silent`, the certificate is refused without asking, and when not,
    // the user is asked (Yes or No, No the default) once the engine's call has returned. A
    // certificate the engine does not let through is refused. A refusal is reported by
    // statusMessage.
    void handleCertificateError(const QWebEngineCertificateError& error, bool silent);

    // Loads the page whose renderer stopped again; false, doing nothing, when no such notice
    // is on display (then an ordinary reload is what is wanted).
    bool reloadAfterCrash();

    // A page whose script runs without end holds every load, reload and stop of its window for
    // ever: the engine waits until the page agrees to be left. So the page's renderer is asked
    // for an answer. Once it answers, `answered` runs; when it has not answered within kAnswerMs,
    // the renderer is ended, the status text says so, and `ended` runs (in a new renderer), or
    // without it, the notice of a stopped page shows.
    void whenPageAnswers(std::function<void()> answered, std::function<void()> ended);
    static constexpr int kAnswerMs = 3000;

signals:
    // Why a page did not load, or what became of it, for the browser's status bar. A message
    // about a page that is loading comes after the load has ended, and after the browser's own
    // end-of-load messages.
    void statusMessage(const QString& text);

private:
    void askAboutCertificate(QWebEngineCertificateError& error);
    void refuseCertificate(QWebEngineCertificateError& error);
    void onAuthentication(const QUrl& requestUrl, QAuthenticator* authenticator);
    void onProxyAuthentication(const QUrl& requestUrl, QAuthenticator* authenticator,
                               const QString& proxyHost);
    void answerAuthentication(QAuthenticator* authenticator, const QString& prompt,
                              const QString& host);
    void onPermissionRequested(const QUrl& origin, QWebEnginePage::Feature feature);
    void onRendererTerminated();
    void showCrashNotice();
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    QWidget* dialogParent() const;
    // Asks through `show` as one of the page's dialogs; `closing` while the page closes.
    bool ask(const std::function<bool()>& show, bool closing);

    QPointer<QWebEnginePage> m_page;
    SiteDecisions& m_decisions;  // the engine's, which outlives its pages
    QPointer<PageDialogs> m_pageDialogs;
    PageReports m_reports;
    int m_probes = 0;                       // questions asked of the renderer
    int m_unansweredProbe = 0;              // the last question, until it is answered
    std::function<void()> m_afterHungPage;  // what runs once an unanswering renderer has ended
};

}  // namespace skiff
