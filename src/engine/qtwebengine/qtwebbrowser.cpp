#include "engine/qtwebengine/qtwebbrowser.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QSet>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFindTextResult>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <atomic>

#include "core/names.h"
#include "engine/engineoptions.h"
#include "engine/offlinesockets.h"
#include "engine/pagedialogs.h"
#include "engine/qtwebengine/debugaddresses.h"
#include "engine/qtwebengine/enginedialogs.h"
#include "engine/qtwebengine/pagekeys.h"
#include "engine/qtwebengine/propertiesreader.h"
#include "engine/qtwebengine/qtengine.h"
#include "engine/sitedecisions.h"
#include "forms/prompts.h"

namespace skiff {

namespace {

constexpr char kMarkupScript[] =
    "document.documentElement ? document.documentElement.innerHTML : null";

QString refusalMessage(const QString& address) {
    return "Not opened: " + address + " is a debugging address of the web engine";
}

// The status text at the end of a load.
QString finishMessage(const QWebEngineLoadingInfo& info) {
    if (isEngineDebugAddress(info.url())) return refusalMessage(info.url().toString());
    switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStoppedStatus:
            return "Stopped";
        case QWebEngineLoadingInfo::LoadFailedStatus:
            return "Could not load " + shownAddress(info.url());
        default:
            return "Done";
    }
}

bool isNetworkScheme(const QString& scheme) {
    static const QSet<QString> network{"http", "https", "ftp", "ws", "wss"};
    return network.contains(scheme);
}

// The question the engine asks a page's script dialogs when the page has a handler for being
// left (before-unload) and is closed or navigated away from.
constexpr char kLeaveQuestion[] =
    "Are you sure you want to leave this page? Changes that you made may not be saved.";

bool isLeaveQuestion(const QString& text) {
    return text == QLatin1String(kLeaveQuestion) ||
           text == QCoreApplication::translate("QWebEnginePage", kLeaveQuestion);
}

// Refuses the engine's debugging addresses when a page opens one; the engine then reports a
// load that stopped at once. Runs the focus script of the browser's focus tracker and hands it
// the console messages; the page's own messages go on as before. Its script dialogs are the
// browser's page dialogs.
class Page : public QWebEnginePage {
public:
    Page(QWebEngineProfile* profile, QObject* parent, FocusTracker& focus, PageDialogs* dialogs)
        : QWebEnginePage(profile, parent), m_focus(focus), m_dialogs(dialogs) {
        focus.install(this);
        // The page's WebSockets, for offline mode to close (engine/offlinesockets.h).
        QWebEngineScript sockets;
        sockets.setName("skiff-sockets");
        sockets.setWorldId(QWebEngineScript::MainWorld);
        sockets.setInjectionPoint(QWebEngineScript::DocumentCreation);
        sockets.setRunsOnSubFrames(true);
        sockets.setSourceCode(QString::fromLatin1(kSocketTrackingScript));
        scripts().insert(sockets);
    }

protected:
    // Once the browser is gone, the page is left without a question and shows nothing.
    void javaScriptAlert(const QUrl& origin, const QString& text) override {
        if (m_dialogs) m_dialogs->alert(origin, text);
    }

    bool javaScriptConfirm(const QUrl& origin, const QString& text) override {
        if (isLeaveQuestion(text)) return !m_dialogs || m_dialogs->confirmLeave();
        return m_dialogs && m_dialogs->confirm(origin, text);
    }

    bool javaScriptPrompt(const QUrl& origin, const QString& text, const QString& value,
                          QString* result) override {
        const std::optional<QString> answer =
            m_dialogs ? m_dialogs->prompt(origin, text, value) : std::nullopt;
        if (answer) *result = *answer;
        return answer.has_value();
    }

    // The program's own file dialog, as one of the page's dialogs; the engine's own for a
    // folder to upload.
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& accepted) override {
        if (mode != FileSelectOpen && mode != FileSelectOpenMultiple)
            return QWebEnginePage::chooseFiles(mode, oldFiles, accepted);
        if (!m_dialogs) return {};
        QWebEngineView* view = QWebEngineView::forPage(this);
        return m_dialogs->guarded<QStringList>(
            [&] {
                return askOpenFiles(view ? view->window() : nullptr, mode == FileSelectOpenMultiple,
                                    accepted);
            },
            {});
    }

    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        return !isEngineDebugAddress(url) &&
               QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override {
        if (m_focus.takeReport(message)) return;
        QWebEnginePage::javaScriptConsoleMessage(level, message, line, source);
    }

private:
    FocusTracker& m_focus;  // the browser's, which outlives its page
    QPointer<PageDialogs> m_dialogs;
};

// Calls `acted` for each press of a key or mouse button that the view's page gets (in the
// widgets the engine places in the view), not for keys held down.
class InputWatcher : public QObject {
public:
    InputWatcher(QWidget* view, std::function<void()> acted)
        : QObject(view), m_view(view), m_acted(std::move(acted)) {
        view->installEventFilter(this);
        for (QWidget* child : view->findChildren<QWidget*>()) child->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::ChildAdded:
                if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
                    child->installEventFilter(this);
                break;
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(event)->isAutoRepeat()) break;
                [[fallthrough]];
            case QEvent::MouseButtonPress:
            case QEvent::TouchBegin:
                if (watched != m_view) m_acted();
                break;
            default:
                break;
        }
        return false;
    }

private:
    QWidget* m_view;
    std::function<void()> m_acted;
};

}  // namespace

// The web view, which knows the component it belongs to. It makes no window of its own for a
// page: the engine then asks through newWindowRequested, which names the address.
class QtWebBrowser::View : public QWebEngineView {
public:
    explicit View(QtWebBrowser* owner) : m_owner(owner) {}

    QtWebBrowser* owner() const { return m_owner; }

private:
    QPointer<QtWebBrowser> m_owner;
};

// Refuses network requests while the browser works offline; local schemes still load.
class QtWebBrowser::OfflineFilter : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (offline && isNetworkScheme(info.requestUrl().scheme())) info.block(true);
    }

    std::atomic_bool offline = false;
};

QtWebBrowser::QtWebBrowser(QtEngine& engine, QObject* parent, bool openedByPage)
    : WebBrowser(parent),
      m_engine(engine),
      m_openedByPage(openedByPage),
      m_view(new View(this)),
      m_offlineFilter(new OfflineFilter(this)),
      m_pageDialogs(new PageDialogs(
          [this]() -> QWidget* { return m_view ? m_view->window() : nullptr; }, this)) {
    if (openedByPage) awaitRequestedPage();
    auto* page = new Page(engine.profile(), m_view, m_focus, m_pageDialogs);
    connectPage(page);
    m_view->setPage(page);
    new PageKeys(m_view, [this] { return m_loading; });
    new InputWatcher(m_view, [this] { userActed(); });
    m_dialogs = new EngineDialogs(page, engine.siteDecisions(), this, m_pageDialogs);
    connect(m_dialogs, &EngineDialogs::statusMessage, this, &QtWebBrowser::StatusTextChange);
    connect(m_view, &QWebEngineView::printFinished, this, [this](bool ok) {
        if (auto done = std::exchange(m_printDone, {})) done(ok);
    });
}

QtWebBrowser::~QtWebBrowser() {
    // The page refers to the filter, a child of this object.
    delete m_view;
}

QtWebBrowser* QtWebBrowser::forPage(QWebEnginePage* page) {
    auto* view = dynamic_cast<View*>(page ? QWebEngineView::forPage(page) : nullptr);
    return view ? view->owner() : nullptr;
}

void QtWebBrowser::connectPage(QWebEnginePage* page) {
    connect(page, &QWebEnginePage::loadProgress, this,
            [this](int progress) { emit ProgressChange(progress, 100); });
    connect(page, &QWebEnginePage::loadingChanged, this, &QtWebBrowser::onLoadingChanged);
    connect(page, &QWebEnginePage::newWindowRequested, this, &QtWebBrowser::openNewWindow);
    connect(page, &QWebEnginePage::titleChanged, this, &QtWebBrowser::TitleChange);
    connect(page, &QWebEnginePage::urlChanged, this, &QtWebBrowser::onUrlChanged);
    connect(page, &QWebEnginePage::linkHovered, this, &QtWebBrowser::onLinkHovered);
    connect(page, &QWebEnginePage::printRequested, this, &WebBrowser::printRequested);
    connect(page, &QWebEnginePage::windowCloseRequested, this, [this] {
        if (m_pageDialogs->closeAsked()) {
            m_pageDialogs->pageAgreedToClose();
        } else if (m_openedByPage) {
            m_pageDialogs->pageClosedItself();
        }
    });
    connect(m_pageDialogs, &PageDialogs::closeAnswered, this, &WebBrowser::closeAnswered);
    connect(page, &QWebEnginePage::certificateError, this,
            [this](const QWebEngineCertificateError& error) {
                m_dialogs->handleCertificateError(error, m_silent);
            });
    for (auto action : {QWebEnginePage::Back, QWebEnginePage::Forward}) {
        connect(page->action(action), &QAction::changed, this, &QtWebBrowser::reportCommandStates);
    }
}

QWebEnginePage* QtWebBrowser::page() const {
    return m_view ? m_view->page() : nullptr;
}

QWidget* QtWebBrowser::widget() {
    return m_view;
}

// The engine acts on its debugging addresses before any page or navigation check sees them,
// so they are refused here.
void QtWebBrowser::Navigate(const QString& address) {
    if (address.isEmpty() || !page() || awaitingRequestedPage()) return;
    const QUrl typed = QUrl::fromUserInput(address);
    const QUrl url = typed.isValid() ? typed : QUrl(address);
    if (isEngineDebugAddress(url)) {
        emit StatusTextChange(refusalMessage(address.trimmed()));
        return;
    }
    // The engine drops a longer address without a word.
    constexpr qsizetype kMaxAddressBytes = 2 * 1024 * 1024;
    if (const qsizetype length = url.toEncoded().size(); length > kMaxAddressBytes) {
        emit StatusTextChange(QString("Not opened: the address is %1 bytes long, and the web "
                                      "engine opens addresses of at most %2 bytes")
                                  .arg(length)
                                  .arg(kMaxAddressBytes));
        return;
    }
    // The first navigation reports Back and Forward at once, before the window shows, so that
    // the host draws its buttons right the first time rather than while the page starts to
    // load (each repaint then delays the load). A window made for a page reports them when its
    // load starts, not inside the engine's request for it.
    if (!m_backEnabled && !m_openedByPage) {
        const QPointer<QtWebBrowser> self(this);
        reportCommandStates();  // the host's handler may close the window
        if (!self || !page()) return;
    }
    const auto load = [this, url] { page()->load(url); };
    load();
    m_dialogs->whenPageAnswers(nullptr, load);
}

bool QtWebBrowser::GoBack() {
    if (!page() || !page()->history()->canGoBack()) return false;
    goTo(page()->history()->backItem());
    return true;
}

bool QtWebBrowser::GoForward() {
    if (!page() || !page()->history()->canGoForward()) return false;
    goTo(page()->history()->forwardItem());
    return true;
}

// A page that does not answer would keep the way back or forward waiting on it: it is ended,
// and the way taken once more.
void QtWebBrowser::goTo(const QWebEngineHistoryItem& item) {
    const auto go = [this, item] { page()->history()->goToItem(item); };
    go();
    m_dialogs->whenPageAnswers(nullptr, go);
}

void QtWebBrowser::requestClose() {
    m_pageDialogs->requestClose([this] {
        if (!page()) return false;
        page()->triggerAction(QWebEnginePage::RequestClose);
        return true;
    });
}

void QtWebBrowser::GoHome() {
    Navigate(EngineOptions::load().homePage());
}

// After a renderer crash the page shows a notice; Refresh loads the crashed page again.
void QtWebBrowser::Refresh() {
    if (!page() || m_dialogs->reloadAfterCrash()) return;
    const QUrl address = page()->url();
    m_dialogs->whenPageAnswers([this] { page()->triggerAction(QWebEnginePage::Reload); },
                               [this, address] { page()->load(address); });
}

// A page that does not answer is ended, and the notice of a stopped page takes its place.
bool QtWebBrowser::Stop() {
    if (!page()) return false;
    const bool loading = m_loading;
    if (loading) page()->triggerAction(QWebEnginePage::Stop);
    m_dialogs->whenPageAnswers(nullptr, nullptr);
    return loading;
}

// The filter sees the page's requests only while it has some to refuse: each request it sees
// waits for the program's main thread, which is busy drawing while the window starts or loads.
void QtWebBrowser::setOffline(bool offline) {
    m_offlineFilter->offline = offline;
    if (!page()) return;
    page()->setUrlRequestInterceptor(offline ? m_offlineFilter : nullptr);
    if (offline) page()->runJavaScript(kCloseSocketsScript, QWebEngineScript::ApplicationWorld);
}

bool QtWebBrowser::Offline() const {
    return m_offlineFilter->offline;
}

// The engine names a page without a title of its own by the end of its address, its host in
// letters outside ASCII or not: such a page is named as its address is shown.
QString QtWebBrowser::LocationName() const {
    if (!page()) return {};
    const QString title = page()->title();
    const QUrl url = page()->url();
    const bool untitled =
        url.toString().endsWith(title) || url.toString(QUrl::EncodeUnicode).endsWith(title);
    return untitled ? untitledName(url) : title;
}

// The address as the user is to see it: characters that would hide or reorder parts of it show
// escaped.
QString QtWebBrowser::LocationURL() const {
    if (!page() || page()->url().isEmpty()) return {};
    return shownAddress(page()->url());
}

void QtWebBrowser::documentMarkup(std::function<void(std::optional<QString>)> callback) {
    if (!page()) {
        callback(std::nullopt);
        return;
    }
    page()->runJavaScript(kMarkupScript, QWebEngineScript::ApplicationWorld,
                          [callback](const QVariant& markup) {
                              if (markup.isNull() || !markup.isValid()) {
                                  callback(std::nullopt);
                              } else {
                                  callback(markup.toString());
                              }
                          });
}

bool QtWebBrowser::pageReady() const {
    if (!page()) return false;
    const QUrl url = page()->url();
    if (url.isEmpty() || url == QUrl("about:blank")) return false;
    return !page()->action(QWebEnginePage::Stop)->isEnabled();
}

void QtWebBrowser::findText(const QString& text, bool backward, bool caseSensitive,
                            std::function<void(FindResult)> done) {
    if (!page()) return;
    QWebEnginePage::FindFlags flags;
    if (backward) flags |= QWebEnginePage::FindBackward;
    if (caseSensitive) flags |= QWebEnginePage::FindCaseSensitively;
    if (text.isEmpty()) {
        page()->findText(text, flags, [done](const QWebEngineFindTextResult&) {
            if (done) done({});
        });
        return;
    }
    // A search that a later one overtook gets the later one's answer.
    const quint64 number = ++m_searchCount;
    m_searches.insert(number, std::move(done));
    page()->findText(text, flags,
                     [this, self = QPointer<QtWebBrowser>(this),
                      number](const QWebEngineFindTextResult& result) {
                         if (!self) return;
                         while (!m_searches.isEmpty() && m_searches.firstKey() <= number) {
                             if (auto done = m_searches.take(m_searches.firstKey()))
                                 done({result.activeMatch(), result.numberOfMatches()});
                         }
                     });
}

// The page is printed in the background; one print at a time.
bool QtWebBrowser::print(QPrinter* printer, std::function<void(bool)> done) {
    if (!pageReady() || m_printDone) return false;
    m_printDone = done ? std::move(done) : [](bool) {};
    m_view->print(printer);
    return true;
}

bool QtWebBrowser::savePage(const QString& path, SaveFormat format,
                            std::function<void(bool)> done) {
    if (!pageReady() || path.isEmpty()) return false;
    m_saveDone.append(std::move(done));
    page()->save(path, format == SaveFormat::SingleFile
                           ? QWebEngineDownloadRequest::MimeHtmlSaveFormat
                           : QWebEngineDownloadRequest::CompleteHtmlSaveFormat);
    return true;
}

// A save comes back from the engine as a download of the page, already accepted.
void QtWebBrowser::takeSave(QWebEngineDownloadRequest* request) {
    if (m_saveDone.isEmpty()) return;
    auto done = m_saveDone.takeFirst();
    connect(request, &QWebEngineDownloadRequest::isFinishedChanged, this, [request, done] {
        if (done) done(request->state() == QWebEngineDownloadRequest::DownloadCompleted);
    });
}

bool QtWebBrowser::pageProperties(std::function<void(const PageProperties&)> done) {
    if (!pageReady()) return false;
    readPageProperties(page(), m_engine.siteDecisions().certificateAllowed(page()->url()),
                       std::move(done));
    return true;
}

double QtWebBrowser::zoomFactor() const {
    return m_view ? m_view->zoomFactor() : 1.0;
}

void QtWebBrowser::setZoomFactor(double factor) {
    if (m_view) m_view->setZoomFactor(factor);
}

// The new window's component is one of this engine's. A window refused (a data: address among
// them) is not made at all.
void QtWebBrowser::openNewWindow(QWebEngineNewWindowRequest& request) {
    auto* target = qobject_cast<QtWebBrowser*>(
        requestNewWindow(NewWindowRequest(*this), request.requestedUrl()));
    if (target && target != this && target->page()) request.openIn(target->page());
}

void QtWebBrowser::onLoadingChanged(const QWebEngineLoadingInfo& info) {
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        onLoadStarted(info.url());
    } else {
        onLoadFinished(info);
    }
}

void QtWebBrowser::onLoadStarted(const QUrl& url) {
    m_loading = true;
    m_urlReported = false;
    m_focus.documentReplaced();
    m_pageDialogs->newDocument();
    documentReplaced();
    emit DownloadBegin();
    emit StatusTextChange("Loading " + shownAddress(url) + "...");
    reportCommandStates();
}

void QtWebBrowser::onLoadFinished(const QWebEngineLoadingInfo& info) {
    m_loading = false;
    if (!m_urlReported) onUrlChanged();
    const bool succeeded = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus &&
                           !isEngineDebugAddress(info.url());
    emit StatusTextChange(finishMessage(info));
    emit ProgressChange(-1, 100);
    emit DownloadComplete(succeeded);
    emit DocumentComplete(succeeded);
}

void QtWebBrowser::onLinkHovered(const QString& url) {
    if (url == m_hoveredLink) return;
    m_hoveredLink = url;
    emit StatusTextChange(shownAddress(url));
}

void QtWebBrowser::onUrlChanged() {
    m_urlReported = true;
    emit NavigateComplete2();
}

void QtWebBrowser::reportCommandStates() {
    if (!page()) return;
    const auto report = [this](std::optional<bool>& last, QWebEnginePage::WebAction action,
                               Command command) {
        const bool enabled = page()->action(action)->isEnabled();
        if (last == enabled) return;
        last = enabled;
        emit CommandStateChange(command, enabled);
    };
    report(m_backEnabled, QWebEnginePage::Back, Command::NavigateBack);
    report(m_forwardEnabled, QWebEnginePage::Forward, Command::NavigateForward);
}

}  // namespace skiff
