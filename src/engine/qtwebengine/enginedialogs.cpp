#include "engine/qtwebengine/enginedialogs.h"

#include <signal.h>

#include <QAuthenticator>
#include <QTimer>
#include <QWebEngineCertificateError>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <utility>

#include "engine/enginequestions.h"
#include "engine/pagedialogs.h"
#include "engine/sitedecisions.h"
#include "forms/prompts.h"

namespace skiff {

namespace {

using namespace enginequestions;

// What a page asks to do, as the words after "wants to".
QString featureText(QWebEnginePage::Feature feature) {
    switch (feature) {
        case QWebEnginePage::Notifications:
            return "show notifications";
        case QWebEnginePage::Geolocation:
            return "know your location";
        case QWebEnginePage::MediaAudioCapture:
            return "use your microphone";
        case QWebEnginePage::MediaVideoCapture:
            return "use your camera";
        case QWebEnginePage::MediaAudioVideoCapture:
            return "use your camera and microphone";
        case QWebEnginePage::MouseLock:
            return "take over the mouse pointer";
        case QWebEnginePage::DesktopVideoCapture:
            return "record your screen";
        case QWebEnginePage::DesktopAudioVideoCapture:
            return "record your screen and its sound";
    }
    return "use a feature of your computer";
}

// The question of the site's decisions on `feature`.
QString decisionKey(QWebEnginePage::Feature feature) {
    return QString("feature %1").arg(int(feature));
}

}  // namespace

EngineDialogs::EngineDialogs(QWebEnginePage* page, SiteDecisions& decisions, QObject* parent,
                             PageDialogs* pageDialogs)
    : QObject(parent), m_page(page), m_decisions(decisions), m_pageDialogs(pageDialogs) {
    page->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    connect(page, &QWebEnginePage::authenticationRequired, this, &EngineDialogs::onAuthentication);
    connect(page, &QWebEnginePage::proxyAuthenticationRequired, this,
            &EngineDialogs::onProxyAuthentication);
    connect(page, &QWebEnginePage::featurePermissionRequested, this,
            &EngineDialogs::onPermissionRequested);
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            &EngineDialogs::onRendererTerminated);
    connect(page, &QWebEnginePage::loadingChanged, this, &EngineDialogs::onLoadingChanged);
    connect(&m_reports, &PageReports::statusMessage, this, &EngineDialogs::statusMessage);
}

void EngineDialogs::handleCertificateError(const QWebEngineCertificateError& error, bool silent) {
    QWebEngineCertificateError answer = error;
    const std::optional<bool> decided =
        m_decisions.decision(error.url(), SiteDecisions::kCertificate);
    if (decided == true && error.isOverridable()) {
        answer.acceptCertificate();
        return;
    }
    if (decided == false || silent || !error.isOverridable()) {
        refuseCertificate(answer);
        return;
    }
    // The user is asked once the engine's call has returned.
    answer.defer();
    QTimer::singleShot(0, this, [this, answer]() mutable { askAboutCertificate(answer); });
}

void EngineDialogs::askAboutCertificate(QWebEngineCertificateError& error) {
    const QString question = certificateQuestion(error.url(), error.description());
    const bool allowed =
        ask([&] { return askYesNo(dialogParent(), "Security Alert", question); }, false);
    if (m_page) m_decisions.decide(error.url(), SiteDecisions::kCertificate, allowed);
    if (!allowed) {
        refuseCertificate(error);
        return;
    }
    error.acceptCertificate();
}

void EngineDialogs::refuseCertificate(QWebEngineCertificateError& error) {
    error.rejectCertificate();
    m_reports.report(certificateRefusal(error.url(), error.description()));
}

void EngineDialogs::onAuthentication(const QUrl& requestUrl, QAuthenticator* authenticator) {
    const QString host = hostAndPort(requestUrl);
    answerAuthentication(authenticator, credentialsPrompt(host, authenticator->realm(), false),
                         host);
}

void EngineDialogs::onProxyAuthentication(const QUrl&, QAuthenticator* authenticator,
                                          const QString& proxyHost) {
    answerAuthentication(authenticator, credentialsPrompt(proxyHost, authenticator->realm(), true),
                         proxyHost);
}

// The engine reads the answer when the call returns: a cleared authenticator cancels, and the
// page then shows what the server sends to those without entry.
void EngineDialogs::answerAuthentication(QAuthenticator* authenticator, const QString& prompt,
                                         const QString& host) {
    std::optional<Credentials> credentials;
    ask(
        [&] {
            credentials = askCredentials(dialogParent(), "Authentication Required", prompt);
            return true;
        },
        false);
    if (!credentials) {
        *authenticator = QAuthenticator();
        m_reports.report(noCredentials(host));
        return;
    }
    authenticator->setUser(credentials->user);
    authenticator->setPassword(credentials->password);
}

// The user is asked once for each site and feature.
void EngineDialogs::onPermissionRequested(const QUrl& origin, QWebEnginePage::Feature feature) {
    if (!m_page) return;
    const QString key = decisionKey(feature);
    std::optional<bool> allowed = m_decisions.decision(origin, key);
    if (!allowed) {
        const QString question = permissionQuestion(origin, featureText(feature));
        allowed = ask([&] { return askYesNo(dialogParent(), "Permission", question); }, false);
        if (!m_page) return;  // closed while the user was asked: nothing is decided
        m_decisions.decide(origin, key, *allowed);
    }
    m_page->setFeaturePermission(origin, feature,
                                 *allowed ? QWebEnginePage::PermissionGrantedByUser
                                          : QWebEnginePage::PermissionDeniedByUser);
}

// The renderer is gone and the view shows nothing: a notice takes its place, which keeps the
// page's address. It is shown once the engine's call has returned.
void EngineDialogs::onRendererTerminated() {
    if (!m_page) return;
    if (auto again = std::exchange(m_afterHungPage, {})) {
        m_reports.reportAfterNextLoad(PageReports::kNotResponding);
        QTimer::singleShot(0, this, again);
        return;
    }
    m_reports.crashed(m_page->url().toString());
    QTimer::singleShot(0, this, &EngineDialogs::showCrashNotice);
}

void EngineDialogs::showCrashNotice() {
    if (!m_page) return;
    m_reports.noticeLoading();
    m_page->setHtml(crashPage(), QUrl(m_reports.crashedUrl()));
}

// The question is a script of the program's own, which the renderer runs once its page's script
// has returned.
void EngineDialogs::whenPageAnswers(std::function<void()> answered, std::function<void()> ended) {
    const qint64 renderer = m_page->renderProcessPid();
    // No renderer yet, nothing to wait for (and a question would make the engine start one
    // with a blank page of its own).
    if (renderer <= 0) {
        m_unansweredProbe = 0;
        if (answered) answered();
        return;
    }
    const int probe = ++m_probes;
    m_unansweredProbe = probe;
    m_page->runJavaScript("0", QWebEngineScript::ApplicationWorld,
                          [self = QPointer(this), probe, answered](const QVariant&) {
                              if (!self || self->m_unansweredProbe != probe) return;
                              self->m_unansweredProbe = 0;
                              if (answered) answered();
                          });
    QTimer::singleShot(kAnswerMs, this, [this, probe, renderer, ended = std::move(ended)] {
        if (m_unansweredProbe != probe || !m_page) return;
        m_unansweredProbe = 0;
        // Another renderer shows the page by now: the one asked has let it go.
        if (m_page->renderProcessPid() != renderer) return;
        m_afterHungPage = ended;
        if (!ended) m_reports.report(PageReports::kNotResponding);
        ::kill(pid_t(renderer), SIGKILL);
    });
}

bool EngineDialogs::reloadAfterCrash() {
    if (!m_page || m_reports.crashedUrl().isEmpty()) return false;
    m_page->load(QUrl(m_reports.crashedUrl()));
    return true;
}

void EngineDialogs::onLoadingChanged(const QWebEngineLoadingInfo& info) {
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        m_reports.loadStarted();
    } else {
        m_reports.loadEnded();
    }
}

bool EngineDialogs::ask(const std::function<bool()>& show, bool closing) {
    return m_pageDialogs ? m_pageDialogs->guarded<bool>(show, closing) : show();
}

QWidget* EngineDialogs::dialogParent() const {
    QWebEngineView* view = m_page ? QWebEngineView::forPage(m_page) : nullptr;
    return view ? view->window() : nullptr;
}

}  // namespace skiff
