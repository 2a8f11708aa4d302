#include "engine/webkitgtk/webkitdialogs.h"

#include <QFile>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "engine/enginequestions.h"
#include "engine/pagedialogs.h"
#include "engine/sitedecisions.h"
#include "engine/webkitgtk/gtkheaders.h"
#include "engine/webkitgtk/webkitbrowser.h"
#include "engine/webkitgtk/webkitengine.h"
#include "forms/prompts.h"

namespace skiff {

using namespace enginequestions;

namespace {

QString fromUtf8(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

// A reference to one of WebKit's objects, held while the user is asked about it. A request
// that goes unanswered is refused by WebKit when its last reference goes.
template <class T>
std::shared_ptr<T> held(T* object) {
    return std::shared_ptr<T>(static_cast<T*>(g_object_ref(object)), g_object_unref);
}

// Why a certificate is not valid, in words.
QString certificateProblem(unsigned errors) {
    static const std::pair<GTlsCertificateFlags, const char*> problems[] = {
        {G_TLS_CERTIFICATE_UNKNOWN_CA, "its issuer is not trusted"},
        {G_TLS_CERTIFICATE_BAD_IDENTITY, "it was not made for this site"},
        {G_TLS_CERTIFICATE_NOT_ACTIVATED, "it is not valid yet"},
        {G_TLS_CERTIFICATE_EXPIRED, "it has expired"},
        {G_TLS_CERTIFICATE_REVOKED, "it was revoked"},
        {G_TLS_CERTIFICATE_INSECURE, "it is signed in a way that is not safe"},
    };
    QStringList found;
    for (const auto& [flag, text] : problems)
        if (errors & flag) found << text;
    return found.isEmpty() ? QString("it could not be checked") : found.join("; ");
}

// What a page asks to do, as the words after "wants to", and the question of the site's
// decisions on it. Nothing for what the user is never asked (a request to install codecs).
struct Feature {
    QString what;
    QString key;
};

std::optional<Feature> featureOf(WebKitPermissionRequest* request) {
    if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request))
        return Feature{"show notifications", "notifications"};
    if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request))
        return Feature{"know your location", "location"};
    if (WEBKIT_IS_POINTER_LOCK_PERMISSION_REQUEST(request))
        return Feature{"take over the mouse pointer", "pointer"};
    if (WEBKIT_IS_DEVICE_INFO_PERMISSION_REQUEST(request))
        return Feature{"know which cameras and microphones your computer has", "devices"};
    if (WEBKIT_IS_MEDIA_KEY_SYSTEM_PERMISSION_REQUEST(request))
        return Feature{"play content that is protected from copying", "media keys"};
    if (WEBKIT_IS_CLIPBOARD_PERMISSION_REQUEST(request))
        return Feature{"read your clipboard", "clipboard"};
    if (WEBKIT_IS_WEBSITE_DATA_ACCESS_PERMISSION_REQUEST(request)) {
        const QString other =
            fromUtf8(webkit_website_data_access_permission_request_get_requesting_domain(
                WEBKIT_WEBSITE_DATA_ACCESS_PERMISSION_REQUEST(request)));
        return Feature{QString("let %1 use its cookies and stored data here").arg(other),
                       "data of " + other};
    }
    if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) {
        auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request);
        const bool audio = webkit_user_media_permission_is_for_audio_device(media);
        if (webkit_user_media_permission_is_for_display_device(media))
            return audio ? Feature{"record your screen and its sound", "screen and sound"}
                         : Feature{"record your screen", "screen"};
        if (!webkit_user_media_permission_is_for_video_device(media))
            return Feature{"use your microphone", "microphone"};
        return audio ? Feature{"use your camera and microphone", "camera and microphone"}
                     : Feature{"use your camera", "camera"};
    }
    if (WEBKIT_IS_INSTALL_MISSING_MEDIA_PLUGINS_PERMISSION_REQUEST(request)) return std::nullopt;
    return Feature{"use a feature of your computer", G_OBJECT_TYPE_NAME(request)};
}

// The kinds of file a page's file box takes, as its accept attribute names them: types
// ("image/png") and endings (".pdf").
QStringList acceptedKinds(WebKitFileChooserRequest* request) {
    QStringList kinds;
    GtkFileFilter* filter = webkit_file_chooser_request_get_mime_types_filter(request);
    if (!filter) return kinds;
    GVariant* description = g_variant_ref_sink(gtk_file_filter_to_gvariant(filter));
    GVariantIter* rules = nullptr;  // of (kind, text): 0 a name pattern, 1 a type
    g_variant_get(description, "(&sa(us))", nullptr, &rules);
    guint32 kind = 0;
    const gchar* text = nullptr;
    while (g_variant_iter_loop(rules, "(u&s)", &kind, &text)) {
        const QString rule = fromUtf8(text);
        if (kind == 1) {
            kinds << rule;
        } else if (rule.startsWith("*.")) {
            kinds << rule.mid(1);
        }
    }
    g_variant_iter_free(rules);
    g_variant_unref(description);
    return kinds;
}

}  // namespace

WebKitDialogs::WebKitDialogs(WebKitBrowser& browser, WebKitEngine& engine, PageDialogs* pageDialogs)
    : QObject(&browser), m_browser(browser), m_engine(engine), m_pageDialogs(pageDialogs) {
    connect(&m_reports, &PageReports::statusMessage, this, &WebKitDialogs::statusMessage);
    connectView();
}

WebKitDialogs::~WebKitDialogs() {
    if (WebKitWebView* view = m_browser.view()) g_signal_handlers_disconnect_by_data(view, this);
}

void WebKitDialogs::connectView() {
    WebKitWebView* view = m_browser.view();
    g_signal_connect(view, "authenticate",
                     G_CALLBACK(+[](WebKitWebView*, WebKitAuthenticationRequest* request,
                                    WebKitDialogs* d) -> gboolean {
                         d->onAuthenticate(request);
                         return TRUE;
                     }),
                     this);
    g_signal_connect(view, "load-failed-with-tls-errors",
                     G_CALLBACK(+[](WebKitWebView*, gchar* uri, GTlsCertificate* certificate,
                                    GTlsCertificateFlags errors, WebKitDialogs* d) -> gboolean {
                         d->onCertificateError(fromUtf8(uri), certificate, errors);
                         return TRUE;  // no page of WebKit's own
                     }),
                     this);
    g_signal_connect(view, "permission-request",
                     G_CALLBACK(+[](WebKitWebView*, WebKitPermissionRequest* request,
                                    WebKitDialogs* d) -> gboolean {
                         d->onPermissionRequest(request);
                         return TRUE;
                     }),
                     this);
    g_signal_connect(view, "run-file-chooser",
                     G_CALLBACK(+[](WebKitWebView*, WebKitFileChooserRequest* request,
                                    WebKitDialogs* d) -> gboolean {
                         d->onFileChooser(request);
                         return TRUE;  // the program's own file dialog, never GTK's
                     }),
                     this);
    g_signal_connect(
        view, "web-process-terminated",
        G_CALLBACK(+[](WebKitWebView*, WebKitWebProcessTerminationReason reason, WebKitDialogs* d) {
            // The program's own ending of a page is followed by what it wanted.
            if (reason != WEBKIT_WEB_PROCESS_TERMINATED_BY_API) d->onWebProcessTerminated();
        }),
        this);
    g_signal_connect(view, "load-changed",
                     G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, WebKitDialogs* d) {
                         d->onLoadChanged(event);
                     }),
                     this);
}

// A client certificate is never offered: the page goes on without one, as on the other engine.
// A cancelled question lets the page show what the server sends to those without entry.
void WebKitDialogs::onAuthenticate(WebKitAuthenticationRequest* request) {
    QTimer::singleShot(0, this, [this, request = held(request)] {
        const WebKitAuthenticationScheme scheme =
            webkit_authentication_request_get_scheme(request.get());
        if (scheme == WEBKIT_AUTHENTICATION_SCHEME_CLIENT_CERTIFICATE_REQUESTED ||
            scheme == WEBKIT_AUTHENTICATION_SCHEME_CLIENT_CERTIFICATE_PIN_REQUESTED) {
            webkit_authentication_request_authenticate(request.get(), nullptr);
            return;
        }
        const bool proxy = webkit_authentication_request_is_for_proxy(request.get());
        QString host = fromUtf8(webkit_authentication_request_get_host(request.get()));
        if (!proxy) {
            gchar* origin = webkit_security_origin_to_string(
                webkit_authentication_request_get_security_origin(request.get()));
            host = hostAndPort(QUrl(fromUtf8(origin)));
            g_free(origin);
        }
        const QString prompt = credentialsPrompt(
            host, fromUtf8(webkit_authentication_request_get_realm(request.get())), proxy);
        std::optional<Credentials> credentials;
        const QPointer<WebKitDialogs> self(this);
        ask(
            [&] {
                credentials = askCredentials(dialogParent(), "Authentication Required", prompt);
                return true;
            },
            false);
        if (!credentials) {
            webkit_authentication_request_authenticate(request.get(), nullptr);
            if (self) m_reports.report(noCredentials(host));
            return;
        }
        WebKitCredential* credential = webkit_credential_new(
            credentials->user.toUtf8().constData(), credentials->password.toUtf8().constData(),
            WEBKIT_CREDENTIAL_PERSISTENCE_FOR_SESSION);
        webkit_authentication_request_authenticate(request.get(), credential);
        webkit_credential_free(credential);
    });
}

// A decision the user made for the site holds; otherwise, while silent, the certificate is
// refused without asking, and when not, the user is asked once WebKit's call has returned.
void WebKitDialogs::onCertificateError(const QString& uri, GTlsCertificate* certificate,
                                       unsigned errors) {
    const QUrl address(uri);
    const QString why = certificateProblem(errors);
    const std::optional<bool> decided =
        m_engine.siteDecisions().decision(address, SiteDecisions::kCertificate);
    if (decided == true) {
        allowCertificate(uri, certificate);
    } else if (decided == false || m_browser.Silent()) {
        m_reports.report(certificateRefusal(address, why));
    } else {
        QTimer::singleShot(0, this, [this, uri, why, certificate = held(certificate)] {
            askAboutCertificate(uri, certificate.get(), why);
        });
    }
}

void WebKitDialogs::askAboutCertificate(const QString& uri, GTlsCertificate* certificate,
                                        const QString& why) {
    const QUrl address(uri);
    const QPointer<WebKitDialogs> self(this);
    const bool allowed = ask(
        [&] {
            return askYesNo(dialogParent(), "Security Alert", certificateQuestion(address, why));
        },
        false);
    if (!self || !m_browser.view()) return;  // closed while the user was asked: nothing decided
    m_engine.siteDecisions().decide(address, SiteDecisions::kCertificate, allowed);
    if (allowed) {
        allowCertificate(uri, certificate);
    } else {
        m_reports.report(certificateRefusal(address, why));
    }
}

// WebKit lets the certificate through for the host from now on; the page is loaded again.
void WebKitDialogs::allowCertificate(const QString& uri, GTlsCertificate* certificate) {
    webkit_web_context_allow_tls_certificate_for_host(m_engine.context(), certificate,
                                                      QUrl(uri).host().toUtf8().constData());
    QTimer::singleShot(0, this, [this, uri] {
        if (WebKitWebView* view = m_browser.view())
            webkit_web_view_load_uri(view, uri.toUtf8().constData());
    });
}

// The user is asked once for each site and feature. WebKit does not say which frame asks: the
// site is the page's on display when it asked, not that of a page still loading.
void WebKitDialogs::onPermissionRequest(WebKitPermissionRequest* request) {
    QTimer::singleShot(0, this, [this, request = held(request), origin = m_documentOrigin] {
        const std::optional<Feature> feature = featureOf(request.get());
        if (!feature || !m_browser.view() || origin.isEmpty()) {
            webkit_permission_request_deny(request.get());
            return;
        }
        const QString key = "permission " + feature->key;
        std::optional<bool> allowed = m_engine.siteDecisions().decision(origin, key);
        if (!allowed) {
            const QPointer<WebKitDialogs> self(this);
            allowed = ask(
                [&] {
                    return askYesNo(dialogParent(), "Permission",
                                    permissionQuestion(origin, feature->what));
                },
                false);
            if (!self || !m_browser.view()) {
                webkit_permission_request_deny(request.get());
                return;  // closed while the user was asked: nothing is decided
            }
            m_engine.siteDecisions().decide(origin, key, *allowed);
        }
        if (*allowed) {
            webkit_permission_request_allow(request.get());
        } else {
            webkit_permission_request_deny(request.get());
        }
    });
}

// The program's own file dialog; Cancel leaves the page's file box as it was.
void WebKitDialogs::onFileChooser(WebKitFileChooserRequest* request) {
    QTimer::singleShot(0, this, [this, request = held(request)] {
        const QStringList accepted = acceptedKinds(request.get());
        const bool multiple = webkit_file_chooser_request_get_select_multiple(request.get());
        QStringList files;
        ask(
            [&] {
                files = askOpenFiles(dialogParent(), multiple, accepted);
                return true;
            },
            false);
        if (files.isEmpty()) {
            webkit_file_chooser_request_cancel(request.get());
            return;
        }
        std::vector<QByteArray> paths;
        for (const QString& file : files) paths.push_back(QFile::encodeName(file));
        std::vector<const gchar*> list;
        for (const QByteArray& path : paths) list.push_back(path.constData());
        list.push_back(nullptr);
        webkit_file_chooser_request_select_files(request.get(), list.data());
    });
}

// The web process is gone and the view shows nothing: a notice takes its place, which keeps
// the page's address. It is shown once WebKit's call has returned.
void WebKitDialogs::onWebProcessTerminated() {
    WebKitWebView* view = m_browser.view();
    if (!view) return;
    m_reports.crashed(fromUtf8(webkit_web_view_get_uri(view)));
    QTimer::singleShot(0, this, &WebKitDialogs::showCrashNotice);
}

void WebKitDialogs::showCrashNotice() {
    WebKitWebView* view = m_browser.view();
    if (!view) return;
    m_reports.noticeLoading();
    webkit_web_view_load_alternate_html(view, crashPage().toUtf8().constData(),
                                        m_reports.crashedUrl().toUtf8().constData(), nullptr);
}

bool WebKitDialogs::reloadAfterCrash() {
    WebKitWebView* view = m_browser.view();
    if (!view || m_reports.crashedUrl().isEmpty()) return false;
    webkit_web_view_load_uri(view, m_reports.crashedUrl().toUtf8().constData());
    return true;
}

void WebKitDialogs::onLoadChanged(int event) {
    if (event == WEBKIT_LOAD_STARTED) m_reports.loadStarted();
    if (event == WEBKIT_LOAD_COMMITTED)
        m_documentOrigin = originOf(QUrl(fromUtf8(webkit_web_view_get_uri(m_browser.view()))));
    if (event == WEBKIT_LOAD_FINISHED) m_reports.loadEnded();
}

bool WebKitDialogs::ask(const std::function<bool()>& show, bool closing) {
    return m_pageDialogs ? m_pageDialogs->guarded<bool>(show, closing) : show();
}

QWidget* WebKitDialogs::dialogParent() const {
    QWidget* widget = m_browser.view() ? const_cast<WebKitBrowser&>(m_browser).widget() : nullptr;
    return widget ? widget->window() : nullptr;
}

}  // namespace skiff
