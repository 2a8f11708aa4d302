#include "engine/webkitgtk/webkitbrowser.h"

#include <QHash>
#include <QTimer>
#include <QUrl>

#include "core/names.h"
#include "engine/engineoptions.h"
#include "engine/offlinesockets.h"
#include "engine/pagedialogs.h"
#include "engine/reservedkeys.h"
#include "engine/webkitgtk/frameorigins.h"
#include "engine/webkitgtk/gtkheaders.h"
#include "engine/webkitgtk/plughost.h"
#include "engine/webkitgtk/webkitdialogs.h"
#include "engine/webkitgtk/webkitengine.h"

namespace skiff {

namespace {

constexpr char kBrowserKey[] = "skiff-browser";
constexpr char kFocusHandler[] = "skiffFocus";

// Reports the tag name of the element with the focus, in upper case (empty when nothing has
// it), from the program's own world, whenever the focus moves in the main frame's document:
// "7:INPUT" from the view numbered 7. WebKit runs the scripts of a page's opener, and hands
// their messages to the opener, in a window that the page opened: the number, which each view
// gives its page (kViewScript), tells whose report it is.
constexpr char kFocusScript[] = R"(
(() => {
    window.skiffReportFocus = () => {
        const element = document.activeElement;
        if (window.skiffView)
            window.webkit.messageHandlers.skiffFocus.postMessage(
                window.skiffView + ":" + (element ? element.tagName : ""));
    };
    const report = () => window.skiffReportFocus();
    document.addEventListener("focusin", report, true);
    document.addEventListener("focusout", () => setTimeout(report, 0), true);
    document.addEventListener("DOMContentLoaded", report);
})();
)";
constexpr char kViewScript[] = "window.skiffView = %1; window.skiffReportFocus?.();";

// The components by their views' numbers.
QHash<int, WebKitBrowser*>& browsersByNumber() {
    static QHash<int, WebKitBrowser*> browsers;
    return browsers;
}

// Focuses the page's first element in the order Tab goes through them, or its last when
// `backward`: those a user can reach, positive tab indexes first, then the rest in the
// document's order.
constexpr char kFocusEdgeScript[] = R"(
((backward) => {
    const reachable = [...document.querySelectorAll(
        "a[href], area[href], button, input, select, textarea, iframe, summary, [tabindex], " +
        "[contenteditable]")].filter((e) => e.tabIndex >= 0 && !e.disabled &&
                                            e.getClientRects().length > 0);
    const rank = (e) => (e.tabIndex > 0 ? e.tabIndex : Infinity);
    reachable.sort((a, b) => rank(a) - rank(b));
    const target = backward ? reachable[reachable.length - 1] : reachable[0];
    if (target) target.focus();
})(%1)
)";

constexpr char kMarkupScript[] =
    "document.documentElement ? document.documentElement.innerHTML : null";

QString fromUtf8(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

// A callback for one of WebKit's asynchronous calls, which outlives neither the component nor
// a single use.
template <class Done>
struct Pending {
    QPointer<WebKitBrowser> browser;
    Done done;
};

}  // namespace

WebKitBrowser::WebKitBrowser(WebKitEngine& engine, QObject* parent, WebKitBrowser* opener)
    : WebBrowser(parent),
      m_engine(engine),
      m_openedByPage(opener != nullptr),
      m_content(webkit_user_content_manager_new()),
      m_frameOrigins(std::make_unique<FrameOrigins>(m_content)),
      m_number([] {
          static int last = 0;
          return ++last;
      }()),
      m_pageDialogs(new PageDialogs(
          [this]() -> QWidget* { return m_host ? m_host->window() : nullptr; }, this)) {
    if (opener) awaitRequestedPage();
    WebKitWebView* related = opener ? opener->view() : nullptr;
    // A page's new window must be a view beside its opener's: any other view would end the
    // program.
    m_view =
        WEBKIT_WEB_VIEW(related ? g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", related,
                                               "user-content-manager", m_content, "settings",
                                               engine.settings(), nullptr)
                                : g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context",
                                               engine.context(), "user-content-manager", m_content,
                                               "settings", engine.settings(), nullptr));
    // Held for as long as this object lives: the plug destroys the view with the host, and
    // the handlers must still come off it then.
    g_object_ref_sink(m_view);
    browsersByNumber().insert(m_number, this);
    g_object_set_data(G_OBJECT(m_view), kBrowserKey, this);
    m_host = new PlugHost(GTK_WIDGET(m_view),
                          [this](QKeyCombination key) { return browserKeepsKey(key, m_loading); });
    m_host->setUnusedKeyHandler([this](QKeyCombination key) { return undoOrRedo(key); });
    connect(m_host, &PlugHost::userInput, this, [this] { userActed(); });
    connect(m_host, &PlugHost::focusEntered, this, [this](bool backward) {
        runScript(QString(kFocusEdgeScript).arg(backward ? "true" : "false"), [](auto) {});
    });

    WebKitUserScript* focusScript = webkit_user_script_new_for_world(
        kFocusScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(m_content, focusScript);
    webkit_user_script_unref(focusScript);
    // The page's WebSockets, for offline mode to close (engine/offlinesockets.h).
    WebKitUserScript* socketScript =
        webkit_user_script_new(kSocketTrackingScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(m_content, socketScript);
    webkit_user_script_unref(socketScript);
    webkit_user_content_manager_register_script_message_handler_in_world(m_content, kFocusHandler,
                                                                         kWorld);
    g_signal_connect(
        m_content, "script-message-received::skiffFocus",
        G_CALLBACK(+[](WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer) {
            gchar* text = jsc_value_to_string(webkit_javascript_result_get_js_value(result));
            const QString report = fromUtf8(text);
            g_free(text);
            const qsizetype colon = report.indexOf(':');
            WebKitBrowser* browser = browsersByNumber().value(report.left(colon).toInt());
            if (browser && colon > 0) browser->onFocusReport(report.mid(colon + 1));
        }),
        this);
    connect(m_pageDialogs, &PageDialogs::closeAnswered, this, &WebBrowser::closeAnswered);
    connectView();
    // After the view's own handlers: the questions answer WebKit's signals that the view's
    // handlers only watch.
    m_dialogs = new WebKitDialogs(*this, engine, m_pageDialogs);
    connect(m_dialogs, &WebKitDialogs::statusMessage, this, &WebBrowser::StatusTextChange);
    // A script starts the view's web process now, while the window around the view is built,
    // rather than at the first load. A page's new window shares its opener's.
    if (!related) runScript("0", [](auto) {});
}

WebKitBrowser::~WebKitBrowser() {
    browsersByNumber().remove(m_number);
    detachView();
    g_signal_handlers_disconnect_by_data(m_content, this);
    m_frameOrigins.reset();
    delete m_dialogs;
    delete m_host;  // and with it the view's widget
    g_object_unref(m_view);
    g_object_unref(m_content);
}

WebKitBrowser* WebKitBrowser::forView(WebKitWebView* view) {
    return view ? static_cast<WebKitBrowser*>(g_object_get_data(G_OBJECT(view), kBrowserKey))
                : nullptr;
}

QWidget* WebKitBrowser::widget() {
    return m_host;
}

WebKitWebView* WebKitBrowser::view() const {
    return m_host ? m_view : nullptr;
}

void WebKitBrowser::detachView() {
    if (forView(m_view) != this) return;  // done already
    disconnectPageTools();
    g_signal_handlers_disconnect_by_data(m_view, this);
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_back_forward_list(m_view), this);
    g_object_set_data(G_OBJECT(m_view), kBrowserKey, nullptr);
}

void WebKitBrowser::connectView() {
    // The view's widget goes with the host, which the window may delete first.
    connect(m_host, &QObject::destroyed, this, &WebKitBrowser::detachView);
    g_signal_connect(m_view, "load-changed",
                     G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, WebKitBrowser* b) {
                         b->onLoadChanged(event);
                     }),
                     this);
    // WebKit shows a page saying why a load failed, unless a handler before its own says it
    // did: the one after its own runs only when it shows none.
    g_signal_connect(
        m_view, "load-failed",
        G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                       WebKitBrowser* b) -> gboolean {
            // A page that turned into a download stopped, as on the other engine.
            b->onLoadFailed(
                fromUtf8(uri),
                g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
                    g_error_matches(error, WEBKIT_POLICY_ERROR,
                                    WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE));
            return FALSE;
        }),
        this);
    // WebKit's own answer to a response ignores one whose type it cannot show, so that a link to
    // a file would do nothing: such a response is a file to save, as an attachment is (which
    // WebKit's answer, given to every other response, downloads).
    g_signal_connect(m_view, "decide-policy",
                     G_CALLBACK(+[](WebKitWebView*, WebKitPolicyDecision* decision,
                                    WebKitPolicyDecisionType type, WebKitBrowser*) -> gboolean {
                         if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE ||
                             webkit_response_policy_decision_is_mime_type_supported(
                                 WEBKIT_RESPONSE_POLICY_DECISION(decision)))
                             return FALSE;
                         webkit_policy_decision_download(decision);
                         return TRUE;
                     }),
                     this);
    // A page refused for its certificate did not load (the engine's dialogs say why).
    g_signal_connect(m_view, "load-failed-with-tls-errors",
                     G_CALLBACK(+[](WebKitWebView*, gchar* uri, GTlsCertificate*,
                                    GTlsCertificateFlags, WebKitBrowser* b) -> gboolean {
                         b->onLoadFailed(fromUtf8(uri), false);
                         // No page of WebKit's says why: the engine's dialogs take the
                         // certificate, and the load ends without one.
                         b->m_errorPage = ErrorPage::None;
                         return FALSE;
                     }),
                     this);
    g_signal_connect_after(m_view, "load-failed",
                           G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, gchar*, GError*,
                                          WebKitBrowser* b) -> gboolean {
                               b->m_errorPage = ErrorPage::None;
                               return FALSE;
                           }),
                           this);
    g_signal_connect(m_view, "notify::estimated-load-progress",
                     G_CALLBACK(+[](WebKitWebView* view, GParamSpec*, WebKitBrowser* b) {
                         if (!b->m_loading) return;
                         emit b->ProgressChange(
                             int(webkit_web_view_get_estimated_load_progress(view) * 100), 100);
                     }),
                     this);
    g_signal_connect(
        m_view, "notify::is-web-process-responsive",
        G_CALLBACK(+[](WebKitWebView* view, GParamSpec*, WebKitBrowser* b) {
            if (b->m_userLoad.isEmpty() || webkit_web_view_get_is_web_process_responsive(view))
                return;
            b->endHungPage();
            webkit_web_view_load_uri(view, std::exchange(b->m_userLoad, {}));
        }),
        this);
    g_signal_connect(
        m_view, "notify::title",
        G_CALLBACK(+[](WebKitWebView*, GParamSpec*, WebKitBrowser* b) { b->onTitleChanged(); }),
        this);
    for (const char* property : {"notify::uri", "notify::is-loading"}) {
        g_signal_connect(m_view, property,
                         G_CALLBACK(+[](WebKitWebView*, GParamSpec*, WebKitBrowser* b) {
                             b->onAddressChanged();
                         }),
                         this);
    }
    g_signal_connect(
        m_view, "mouse-target-changed",
        G_CALLBACK(+[](WebKitWebView*, WebKitHitTestResult* hit, guint, WebKitBrowser* b) {
            b->onLinkHovered(webkit_hit_test_result_context_is_link(hit)
                                 ? fromUtf8(webkit_hit_test_result_get_link_uri(hit))
                                 : QString());
        }),
        this);
    g_signal_connect(m_view, "create",
                     G_CALLBACK(+[](WebKitWebView*, WebKitNavigationAction* action,
                                    WebKitBrowser* b) -> GtkWidget* {
                         return GTK_WIDGET(b->onCreate(fromUtf8(webkit_uri_request_get_uri(
                             webkit_navigation_action_get_request(action)))));
                     }),
                     this);
    // The pointer's back and forward buttons go through the history, as on the other engine.
    g_signal_connect(
        m_view, "button-press-event",
        G_CALLBACK(+[](WebKitWebView*, GdkEventButton* event, WebKitBrowser* b) -> gboolean {
            if (event->button == 8) return b->GoBack();
            if (event->button == 9) return b->GoForward();
            return FALSE;
        }),
        this);
    // WebKit takes a page whose beforeunload handler runs longer than 50 ms for one that agreed
    // to close, and would then leave the question it asks unanswered: the page has agreed once
    // a script of ours that queues behind the handler (and the question) has run, unless the
    // user has asked to close again meanwhile. Unasked, the page's script closes its window.
    g_signal_connect(m_view, "close", G_CALLBACK(+[](WebKitWebView*, WebKitBrowser* b) {
                         if (!b->m_pageDialogs->closeAsked()) {
                             if (b->m_openedByPage) b->m_pageDialogs->pageClosedItself();
                             return;
                         }
                         b->runScript("0", [b, request = b->m_closeRequests](auto) {
                             if (request == b->m_closeRequests)
                                 b->m_pageDialogs->pageAgreedToClose();
                         });
                     }),
                     this);
    g_signal_connect(
        m_view, "script-dialog",
        G_CALLBACK(+[](WebKitWebView*, WebKitScriptDialog* dialog, WebKitBrowser* b) -> gboolean {
            return b->onScriptDialog(dialog);
        }),
        this);
    g_signal_connect(
        m_view, "print",
        G_CALLBACK(+[](WebKitWebView*, WebKitPrintOperation*, WebKitBrowser* b) -> gboolean {
            // The program's own print dialog, not GTK's, on the program's own turn of the event
            // loop: WebKit goes on meanwhile, and a request that comes while it shows is seen.
            QTimer::singleShot(0, b, [b] { emit b->printRequested(); });
            return TRUE;
        }),
        this);
    g_signal_connect(webkit_web_view_get_back_forward_list(m_view), "changed",
                     G_CALLBACK(+[](WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer,
                                    WebKitBrowser* b) { b->reportCommandStates(); }),
                     this);
    connectPageTools();
}

void WebKitBrowser::Navigate(const QString& address) {
    if (address.isEmpty() || !view() || awaitingRequestedPage()) return;
    const QUrl typed = QUrl::fromUserInput(address);
    const QUrl url = typed.isValid() ? typed : QUrl(address);
    // As on the other engine, Back and Forward are reported before the first load, so that the
    // host draws its buttons right the first time. A window made for a page reports them when
    // its load starts, not inside WebKit's request for it: a host that lets events run there
    // would have the start-up page shown first, and Back enabled.
    if (!m_backEnabled && !m_openedByPage) {
        const QPointer<WebKitBrowser> self(this);
        reportCommandStates();  // the host's handler may close the window
        if (!self || !view()) return;
    }
    m_urlReported = false;  // the address changes now, for a load that commits later
    const QByteArray uri = url.toEncoded();
    loadPastHungPage(uri, [this, uri] { webkit_web_view_load_uri(m_view, uri.constData()); });
}

// WebKit leaves undoing and redoing typing to the program: Ctrl+Z undoes, and Ctrl+Shift+Z or
// Ctrl+Y redo, in the focused frame, as on the other engine. Only keys the page did not use
// come here: a page that takes Ctrl+Z itself keeps it.
bool WebKitBrowser::undoOrRedo(QKeyCombination key) {
    const Qt::KeyboardModifiers held = key.keyboardModifiers();
    const char* command = nullptr;
    if (held == Qt::ControlModifier && key.key() == Qt::Key_Z)
        command = WEBKIT_EDITING_COMMAND_UNDO;
    else if ((held == (Qt::ControlModifier | Qt::ShiftModifier) && key.key() == Qt::Key_Z) ||
             (held == Qt::ControlModifier && key.key() == Qt::Key_Y))
        command = WEBKIT_EDITING_COMMAND_REDO;
    if (!command || !view()) return false;
    webkit_web_view_execute_editing_command(m_view, command);
    return true;
}

bool WebKitBrowser::GoBack() {
    if (!view() || !webkit_web_view_can_go_back(m_view)) return false;
    goTo(webkit_back_forward_list_get_back_item(webkit_web_view_get_back_forward_list(m_view)));
    return true;
}

bool WebKitBrowser::GoForward() {
    if (!view() || !webkit_web_view_can_go_forward(m_view)) return false;
    goTo(webkit_back_forward_list_get_forward_item(webkit_web_view_get_back_forward_list(m_view)));
    return true;
}

// Past a page that does not answer, the item's address is loaded anew.
void WebKitBrowser::goTo(WebKitBackForwardListItem* item) {
    loadPastHungPage(webkit_back_forward_list_item_get_uri(item),
                     [this, item] { webkit_web_view_go_to_back_forward_list_item(m_view, item); });
}

void WebKitBrowser::GoHome() {
    Navigate(EngineOptions::load().homePage());
}

void WebKitBrowser::requestClose() {
    m_pageDialogs->requestClose([this] {
        if (!view()) return false;
        ++m_closeRequests;
        webkit_web_view_try_close(m_view);
        return true;
    });
}

// After the page's web process stopped, the page shows a notice; Refresh loads the page again.
void WebKitBrowser::Refresh() {
    if (!view() || m_dialogs->reloadAfterCrash()) return;
    loadPastHungPage(webkit_web_view_get_uri(m_view), [this] { webkit_web_view_reload(m_view); });
}

// A load is under way from the moment it is asked for. A page that does not answer is ended,
// and the notice of a stopped page takes its place.
bool WebKitBrowser::Stop() {
    if (!view()) return false;
    if (!webkit_web_view_get_is_web_process_responsive(m_view)) {
        m_userLoad.clear();
        endHungPage();
        m_dialogs->onWebProcessTerminated();
        return true;
    }
    if (!webkit_web_view_is_loading(m_view)) return false;
    webkit_web_view_stop_loading(m_view);
    return true;
}

void WebKitBrowser::loadPastHungPage(const QByteArray& address, const std::function<void()>& load) {
    m_userLoad.clear();
    if (webkit_web_view_get_is_web_process_responsive(m_view)) {
        load();
        m_userLoad = address;
        return;
    }
    endHungPage();
    webkit_web_view_load_uri(m_view, address.constData());
}

void WebKitBrowser::endHungPage() {
    webkit_web_view_terminate_web_process(m_view);
    m_dialogs->reportAfterNextLoad(PageReports::kNotResponding);
}

void WebKitBrowser::setOffline(bool offline) {
    if (offline == m_offline) return;
    m_offline = offline;
    WebKitUserContentFilter* filter = m_engine.offlineFilter();
    if (!filter) return;
    if (offline) {
        webkit_user_content_manager_add_filter(m_content, filter);
        runScript(kCloseSocketsScript, [](auto) {});
    } else {
        webkit_user_content_manager_remove_filter(m_content, filter);
    }
}

double WebKitBrowser::zoomFactor() const {
    return view() ? webkit_web_view_get_zoom_level(m_view) : 1.0;
}

void WebKitBrowser::setZoomFactor(double factor) {
    if (view()) webkit_web_view_set_zoom_level(m_view, factor);
}

QString WebKitBrowser::LocationName() const {
    if (!view()) return {};
    const QString title = fromUtf8(webkit_web_view_get_title(m_view));
    return title.isEmpty() ? untitledName(QUrl(fromUtf8(webkit_web_view_get_uri(m_view)))) : title;
}

QString WebKitBrowser::LocationURL() const {
    if (!view()) return {};
    const QString uri = fromUtf8(webkit_web_view_get_uri(m_view));
    return uri.isEmpty() ? QString() : shownAddress(uri);
}

void WebKitBrowser::runScript(const QString& script,
                              std::function<void(std::optional<QString>)> done, const char* world) {
    if (!view()) {
        done(std::nullopt);
        return;
    }
    using Done = std::function<void(std::optional<QString>)>;
    const QByteArray source = script.toUtf8();
    webkit_web_view_evaluate_javascript(
        m_view, source.constData(), source.size(), world, nullptr, nullptr,
        +[](GObject* object, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Pending<Done>> pending(static_cast<Pending<Done>*>(data));
            JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(object),
                                                                         result, nullptr);
            std::optional<QString> text;
            if (value && !jsc_value_is_null(value) && !jsc_value_is_undefined(value)) {
                gchar* string = jsc_value_to_string(value);
                text = fromUtf8(string);
                g_free(string);
            }
            if (value) g_object_unref(value);
            if (pending->browser) pending->done(text);
        },
        new Pending<Done>{this, std::move(done)});
}

void WebKitBrowser::documentMarkup(std::function<void(std::optional<QString>)> callback) {
    runScript(kMarkupScript, std::move(callback));
}

bool WebKitBrowser::pageReady() const {
    if (!view() || m_loading) return false;
    const QString uri = fromUtf8(webkit_web_view_get_uri(m_view));
    return !uri.isEmpty() && uri != "about:blank";
}

// The new window loads its own first page, which would take the place of the one the page
// asked for: that one follows once the window's own is done, as on the other engine.
WebKitWebView* WebKitBrowser::onCreate(const QString& address) {
    auto* target =
        qobject_cast<WebKitBrowser*>(requestNewWindow(NewWindowRequest(*this), QUrl(address)));
    if (!target || target == this || !target->view()) return nullptr;
    target->m_requestedAddress = address;
    return target->m_view;
}

// The page's script dialogs wait for the user on the program's own turn of the event loop,
// so that WebKit, and every other page, goes on meanwhile. They name the site of the frame that
// asks, as it was when it asked.
bool WebKitBrowser::onScriptDialog(WebKitScriptDialog* dialog) {
    webkit_script_dialog_ref(dialog);
    QTimer::singleShot(0, this, [this, dialog, origin = m_frameOrigins->asking()] {
        const QString text = fromUtf8(webkit_script_dialog_get_message(dialog));
        switch (webkit_script_dialog_get_dialog_type(dialog)) {
            case WEBKIT_SCRIPT_DIALOG_ALERT:
                m_pageDialogs->alert(origin, text);
                break;
            case WEBKIT_SCRIPT_DIALOG_CONFIRM:
                webkit_script_dialog_confirm_set_confirmed(dialog,
                                                           m_pageDialogs->confirm(origin, text));
                break;
            case WEBKIT_SCRIPT_DIALOG_PROMPT: {
                const std::optional<QString> answer = m_pageDialogs->prompt(
                    origin, text, fromUtf8(webkit_script_dialog_prompt_get_default_text(dialog)));
                // No text at all stands for Cancel (null for the page).
                if (answer)
                    webkit_script_dialog_prompt_set_text(dialog, answer->toUtf8().constData());
                break;
            }
            case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
                webkit_script_dialog_confirm_set_confirmed(dialog, m_pageDialogs->confirmLeave());
                break;
        }
        webkit_script_dialog_close(dialog);
        webkit_script_dialog_unref(dialog);
    });
    return true;
}

// A failed load ends once WebKit's page saying why shows: that page's own load belongs to it.
void WebKitBrowser::onLoadChanged(int event) {
    switch (event) {
        case WEBKIT_LOAD_STARTED:
            if (m_errorPage == ErrorPage::Due) {
                m_errorPage = ErrorPage::Loading;
                break;
            }
            if (m_errorPage == ErrorPage::Loading) finishLoad();  // a new load cut it short
            startLoad();
            break;
        case WEBKIT_LOAD_COMMITTED:
            m_userLoad.clear();
            m_activeTag.reset();
            runScript(QString(kViewScript).arg(m_number), [](auto) {});
            reportAddress();
            break;
        case WEBKIT_LOAD_FINISHED:
            m_userLoad.clear();
            if (m_errorPage != ErrorPage::Due) finishLoad();
            break;
        default:
            break;
    }
}

void WebKitBrowser::startLoad() {
    m_loading = true;
    m_urlReported = false;
    m_failure.reset();
    m_stopped = false;
    m_activeTag.reset();
    m_pageDialogs->newDocument();
    documentReplaced();
    emit DownloadBegin();
    // The first load of a page's window starts before the view knows its address.
    const QString address = fromUtf8(webkit_web_view_get_uri(m_view));
    emit StatusTextChange(
        "Loading " +
        shownAddress(address.isEmpty() ? std::exchange(m_requestedAddress, {}) : address) + "...");
    reportCommandStates();
}

void WebKitBrowser::finishLoad() {
    m_loading = false;
    m_errorPage = ErrorPage::None;
    if (!m_urlReported) reportAddress();
    const bool succeeded = !m_failure && !m_stopped;
    emit StatusTextChange(m_failure.value_or(m_stopped ? QString("Stopped") : QString("Done")));
    emit ProgressChange(-1, 100);
    emit DownloadComplete(succeeded);
    emit DocumentComplete(succeeded);
    reportCommandStates();
}

void WebKitBrowser::onLoadFailed(const QString& uri, bool stopped) {
    if (stopped) {
        m_stopped = true;
    } else if (!m_failure) {
        m_failure = "Could not load " + shownAddress(uri);
        m_errorPage = ErrorPage::Due;
    }
}

// The address changes, or a load asked for ends: a new address outside a load is one within
// the document (a link to a part of the page, or the page's script changing it). A load that has
// not committed yet reports its address when it does.
void WebKitBrowser::onAddressChanged() {
    const bool pending = m_loading ? !m_urlReported : webkit_web_view_is_loading(m_view);
    if (!pending && LocationURL() != m_reportedAddress) reportAddress();
}

void WebKitBrowser::reportAddress() {
    m_urlReported = true;
    m_reportedAddress = LocationURL();
    emit NavigateComplete2();
}

void WebKitBrowser::onTitleChanged() {
    emit TitleChange(LocationName());
}

void WebKitBrowser::onLinkHovered(const QString& uri) {
    if (uri == m_hoveredLink) return;
    m_hoveredLink = uri;
    emit StatusTextChange(shownAddress(uri));
}

// Reports of the document that a load under way replaces come too late to count.
void WebKitBrowser::onFocusReport(const QString& tag) {
    if (m_loading && !m_urlReported) return;
    if (tag.isEmpty()) {
        m_activeTag.reset();
    } else {
        m_activeTag = tag.toUpper();
    }
}

void WebKitBrowser::reportCommandStates() {
    if (!view()) return;
    const auto report = [this](std::optional<bool>& last, bool enabled, Command command) {
        if (last == enabled) return;
        last = enabled;
        emit CommandStateChange(command, enabled);
    };
    report(m_backEnabled, webkit_web_view_can_go_back(m_view), Command::NavigateBack);
    report(m_forwardEnabled, webkit_web_view_can_go_forward(m_view), Command::NavigateForward);
}

}  // namespace skiff
