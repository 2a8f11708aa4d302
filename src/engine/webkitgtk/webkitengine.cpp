#include "engine/webkitgtk/webkitengine.h"

#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "core/filemodes.h"
#include "engine/download.h"
#include "engine/engineoptions.h"
#include "engine/webkitgtk/gdkopengl.h"
#include "engine/webkitgtk/gtkheaders.h"
#include "engine/webkitgtk/networkprocess.h"
#include "engine/webkitgtk/plughost.h"
#include "engine/webkitgtk/webkitbrowser.h"

namespace skiff {

namespace {

// The engine's report on how it draws, shown with SKIFF_DEBUG as the other engine's is.
Q_LOGGING_CATEGORY(lcEngine, "skiff.webkitgtk")

// Every load from the network, by address: what "offline" keeps pages from. WebSockets are
// named by their own schemes and by their own kind of load, so that neither way of matching
// lets one through.
constexpr char kOfflineRules[] =
    R"([{"trigger":{"url-filter":"^http:"},"action":{"type":"block"}},)"
    R"( {"trigger":{"url-filter":"^https:"},"action":{"type":"block"}},)"
    R"( {"trigger":{"url-filter":"^wss?:"},"action":{"type":"block"}},)"
    R"( {"trigger":{"url-filter":".*","resource-type":["websocket"]},"action":{"type":"block"}}])";
constexpr char kOfflineFilterId[] = "skiff-offline";

// The proxies the environment names, as command-line programs and other browsers read them:
// all_proxy or http_proxy for every address, https_proxy for https ones, and no_proxy's hosts
// without one. Null when none is named, for the system's own settings.
WebKitNetworkProxySettings* proxyFromEnvironment() {
    const auto variable = [](const char* name) {
        const QByteArray lower = qgetenv(name);
        return lower.isEmpty() ? qgetenv(QByteArray(name).toUpper().constData()) : lower;
    };
    const QByteArray all = variable("all_proxy");
    const QByteArray http = variable("http_proxy");
    const QByteArray https = variable("https_proxy");
    if (all.isEmpty() && http.isEmpty() && https.isEmpty()) return nullptr;
    QList<QByteArray> hosts = variable("no_proxy").split(',');
    QList<QByteArray> trimmed;
    for (const QByteArray& host : hosts)
        if (!host.trimmed().isEmpty()) trimmed << host.trimmed();
    std::vector<const char*> ignore;
    for (const QByteArray& host : trimmed) ignore.push_back(host.constData());
    ignore.push_back(nullptr);
    WebKitNetworkProxySettings* settings = webkit_network_proxy_settings_new(
        (all.isEmpty() ? http : all).constData(), trimmed.isEmpty() ? nullptr : ignore.data());
    if (!http.isEmpty())
        webkit_network_proxy_settings_add_proxy_for_scheme(settings, "http", http.constData());
    if (!https.isEmpty())
        webkit_network_proxy_settings_add_proxy_for_scheme(settings, "https", https.constData());
    return settings;
}

// How much memory a page's web process may hold before it is ended: half of the machine's
// memory, at most 4 GB. WebKit frees its caches from a third of it on, and ends the process
// (the page shows the crashed-page notice) at the whole of it. SKIFF_TEST_WEB_PROCESS_MEMORY_MB
// is for tests, which need a page to reach the limit quickly.
constexpr guint kMaxWebProcessMemoryMB = 4096;
constexpr double kMemoryPollSeconds = 5;

guint webProcessMemoryLimitMB() {
    bool set = false;
    const guint forTests = qEnvironmentVariableIntValue("SKIFF_TEST_WEB_PROCESS_MEMORY_MB", &set);
    if (set && forTests > 0) return forTests;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return kMaxWebProcessMemoryMB;
    const quint64 halfMB = quint64(pages) * quint64(pageSize) / 2 / (1024 * 1024);
    return guint(std::min<quint64>(halfMB, kMaxWebProcessMemoryMB));
}

// A web context whose web processes are held to that limit (which only a new context takes).
WebKitWebContext* limitedContext(WebKitWebsiteDataManager* manager) {
    WebKitMemoryPressureSettings* memory = webkit_memory_pressure_settings_new();
    webkit_memory_pressure_settings_set_memory_limit(memory, webProcessMemoryLimitMB());
    webkit_memory_pressure_settings_set_kill_threshold(memory, 1.0);
    webkit_memory_pressure_settings_set_poll_interval(memory, kMemoryPollSeconds);
    auto* context =
        WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager", manager,
                                        "memory-pressure-settings", memory, nullptr));
    webkit_memory_pressure_settings_free(memory);
    return context;
}

QString folder(QStandardPaths::StandardLocation location) {
    return QStandardPaths::writableLocation(location) + "/Web Browser/webkitgtk";
}

// A download goes into "name.part" beside the file chosen, which takes the file's place only
// once the whole file came: WebKit empties its destination as soon as it starts, and writes
// into "name.part.wkdownload" meanwhile.
constexpr char kUnfinishedEnding[] = ".part";
constexpr char kWebKitEnding[] = ".wkdownload";
constexpr int kPartialFileEndingBytes = sizeof kUnfinishedEnding - 1 + sizeof kWebKitEnding - 1;

// Why a download whose network process ended failed.
constexpr char kNetworkEnded[] = "The engine's network process ended.";

// A download of the engine. It waits for the program's answer with WebKit's question where to
// save it, which stays open until accept() or cancel() answers it. A download that ends
// unfinished leaves no file behind, and a file the user chose to replace as it was. WebKit
// forgets a download whose network process ended: it is never cancelled then, only interrupted.
class WebKitDownloadItem : public Download {
public:
    WebKitDownloadItem(WebKitDownload* download, std::shared_ptr<NetworkProcessWatch> network,
                       QObject* parent)
        : Download(parent),
          m_download(WEBKIT_DOWNLOAD(g_object_ref(download))),
          m_network(std::move(network)) {
        connect(m_network.get(), &NetworkProcessWatch::ended, this,
                [this] { interrupt(kNetworkEnded); });
        g_signal_connect(download, "received-data",
                         G_CALLBACK(+[](WebKitDownload*, guint64, WebKitDownloadItem* item) {
                             emit item->progressChanged();
                         }),
                         this);
        g_signal_connect(
            download, "finished",
            G_CALLBACK(+[](WebKitDownload*, WebKitDownloadItem* item) { item->finish(); }), this);
        g_signal_connect(download, "failed",
                         G_CALLBACK(+[](WebKitDownload*, GError* error, WebKitDownloadItem* item) {
                             item->fail(error);
                         }),
                         this);
    }
    ~WebKitDownloadItem() override {
        g_signal_handlers_disconnect_by_data(m_download, this);
        if (running() && m_network->allRunning()) webkit_download_cancel(m_download);
        g_object_unref(m_download);
    }

    QString suggestedFileName() const override { return m_suggested; }
    int maxFileNameBytes() const override { return kMaxFileNameBytes - kPartialFileEndingBytes; }
    void setSuggestedFileName(const QString& name) { m_suggested = name; }
    QWidget* window() const override {
        WebKitBrowser* browser = WebKitBrowser::forView(webkit_download_get_web_view(m_download));
        return browser && browser->widget() ? browser->widget()->window() : nullptr;
    }
    void accept(const QString& path) override {
        if (m_state != State::Requested) return;
        m_path = path;
        m_state = State::InProgress;
        webkit_download_set_allow_overwrite(m_download, TRUE);
        gchar* uri = g_filename_to_uri(QFile::encodeName(partPath()).constData(), nullptr, nullptr);
        webkit_download_set_destination(m_download, uri);
        g_free(uri);
        emit stateChanged();
    }
    void cancel() override {
        if (!running() || !m_network->allRunning()) return;
        m_state = State::Cancelled;
        webkit_download_cancel(m_download);
        removePartialFiles();
        emit stateChanged();
    }
    QString path() const override { return m_path; }
    State state() const override { return m_state; }
    QString failureReason() const override { return m_failure; }
    qint64 receivedBytes() const override {
        return qint64(webkit_download_get_received_data_length(m_download));
    }
    qint64 totalBytes() const override {
        WebKitURIResponse* response = webkit_download_get_response(m_download);
        return response ? qint64(webkit_uri_response_get_content_length(response)) : -1;
    }

private:
    bool running() const { return m_state == State::Requested || m_state == State::InProgress; }

    // WebKit takes a connection that the server closes early for the end of the file. Where
    // the server said how long the file is, and sent it as it is, a shorter file is not whole:
    // the download is interrupted, and the part that came is not left as the file.
    void finish() {
        if (m_state != State::InProgress) return;
        emit progressChanged();
        const qint64 total = totalBytes();
        if (total > 0 && receivedBytes() < total && !encoded()) {
            interrupt(kBrokenOff);
        } else if (::rename(QFile::encodeName(partPath()).constData(),
                            QFile::encodeName(m_path).constData()) != 0) {
            interrupt(QString("The file could not be written: ") + std::strerror(errno));
        } else {
            m_state = State::Completed;
            emit stateChanged();
        }
    }
    // Whether the server sent the file compressed, when its length is not the file's.
    bool encoded() const {
        WebKitURIResponse* response = webkit_download_get_response(m_download);
        SoupMessageHeaders* headers =
            response ? webkit_uri_response_get_http_headers(response) : nullptr;
        const char* encoding =
            headers ? soup_message_headers_get_one(headers, "Content-Encoding") : nullptr;
        return encoding && qstricmp(encoding, "identity") != 0;
    }

    QString partPath() const { return m_path + kUnfinishedEnding; }
    // The file the download goes into, and WebKit's own beside it.
    void removePartialFiles() {
        if (m_path.isEmpty()) return;
        QFile::remove(partPath());
        QFile::remove(partPath() + kWebKitEnding);
    }

    // A cancel of ours comes back as a failure, which it is not.
    void fail(GError* error) {
        if (g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER))
            return;
        interrupt(QString::fromUtf8(error->message));
    }

    // The download ends unfinished, for `reason`, unless it has ended already.
    void interrupt(const QString& reason) {
        if (!running()) return;
        m_failure = reason;
        m_state = State::Failed;
        removePartialFiles();
        emit stateChanged();
    }

    WebKitDownload* m_download;
    std::shared_ptr<NetworkProcessWatch> m_network;
    QString m_suggested;
    QString m_path;
    QString m_failure;
    State m_state = State::Requested;
};

}  // namespace

bool WebKitEngine::canStart(QString* why) {
    if (!QAbstractEventDispatcher::instance() ||
        !QAbstractEventDispatcher::instance()->inherits("QEventDispatcherGlib")) {
        if (why) *why = "this Qt does not run on GLib's event loop, which WebKitGTK needs";
        return false;
    }
    if (!PlugHost::available(why)) return false;
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr)) {
        if (why) *why = "GTK cannot open the display";
        return false;
    }
    PlugHost::tolerateGoneWindows();
    PlugHost::handClipboardToQt();
    return true;
}

QString WebKitEngine::version() {
    return QString("WebKitGTK %1.%2.%3")
        .arg(webkit_get_major_version())
        .arg(webkit_get_minor_version())
        .arg(webkit_get_micro_version());
}

WebKitEngine::WebKitEngine(QObject* parent)
    : Engine(parent), m_network(std::make_shared<NetworkProcessWatch>()) {
    const QByteArray data = QFile::encodeName(folder(QStandardPaths::GenericDataLocation));
    const QByteArray cache = QFile::encodeName(folder(QStandardPaths::GenericCacheLocation));
    // Where the folders cannot be written (the start said so), pages keep nothing.
    const bool keeps = makeWritableFolders({QFile::decodeName(data), QFile::decodeName(cache)});
    WebKitWebsiteDataManager* manager =
        keeps ? webkit_website_data_manager_new("base-data-directory", data.constData(),
                                                "base-cache-directory", cache.constData(), nullptr)
              : webkit_website_data_manager_new_ephemeral();
    webkit_website_data_manager_set_tls_errors_policy(manager, WEBKIT_TLS_ERRORS_POLICY_FAIL);
    if (WebKitNetworkProxySettings* proxy = proxyFromEnvironment()) {
        webkit_website_data_manager_set_network_proxy_settings(
            manager, WEBKIT_NETWORK_PROXY_MODE_CUSTOM, proxy);
        webkit_network_proxy_settings_free(proxy);
    }
    if (keeps)
        webkit_cookie_manager_set_persistent_storage(
            webkit_website_data_manager_get_cookie_manager(manager),
            (data + "/cookies.sqlite").constData(), WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
    m_context = limitedContext(manager);
    g_object_unref(manager);
    webkit_web_context_set_sandbox_enabled(m_context, TRUE);
    webkit_web_context_set_cache_model(m_context, WEBKIT_CACHE_MODEL_WEB_BROWSER);
    g_signal_connect(m_context, "download-started",
                     G_CALLBACK(+[](WebKitWebContext*, WebKitDownload* download,
                                    WebKitEngine* engine) { engine->onDownloadStarted(download); }),
                     this);

    m_settings = webkit_settings_new();
    // Where OpenGL draws on the CPU, WebKit's compositing costs far more than it gives.
    const bool cpuGl = gdkGlRunsOnCpu();
    if (cpuGl) {
        webkit_settings_set_hardware_acceleration_policy(m_settings,
                                                         WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    }
    qCInfo(lcEngine, "WebKitGTK %s, compositing %s", qPrintable(version()),
           cpuGl ? "off (OpenGL draws on the CPU)" : "on");
    webkit_settings_set_enable_developer_extras(m_settings, FALSE);
    // A page the user has left is not kept for going back to it: WebKit would keep it (often
    // its whole process) with all the memory it holds, up to gigabytes. Back loads it again.
    webkit_settings_set_enable_page_cache(m_settings, FALSE);
    applyOptions(EngineOptions::load());
}

WebKitEngine::~WebKitEngine() {
    g_signal_handlers_disconnect_by_data(m_context, this);
    if (m_offlineFilter) webkit_user_content_filter_unref(m_offlineFilter);
    g_object_unref(m_settings);
    g_object_unref(m_context);
}

WebBrowser* WebKitEngine::createBrowser(QObject* owner, const NewWindowRequest* request) {
    auto* opener = request ? qobject_cast<WebKitBrowser*>(&request->opener()) : nullptr;
    return new WebKitBrowser(*this, owner, opener);
}

void WebKitEngine::clearCache() {
    webkit_website_data_manager_clear(
        webkit_web_context_get_website_data_manager(m_context),
        WebKitWebsiteDataTypes(WEBKIT_WEBSITE_DATA_MEMORY_CACHE | WEBKIT_WEBSITE_DATA_DISK_CACHE),
        0, nullptr, nullptr, nullptr);
}

void WebKitEngine::clearCookies() {
    webkit_website_data_manager_clear(webkit_web_context_get_website_data_manager(m_context),
                                      WEBKIT_WEBSITE_DATA_COOKIES, 0, nullptr, nullptr, nullptr);
}

// Without JavaScript, the pages' own scripts are off; the program's own, such as the focus
// reports, still run.
void WebKitEngine::applyOptions(const EngineOptions& options) {
    webkit_settings_set_enable_javascript_markup(m_settings, options.javascriptEnabled());
    webkit_settings_set_auto_load_images(m_settings, options.imagesEnabled());
}

void WebKitEngine::compileOfflineFilter() {
    const QString store = folder(QStandardPaths::GenericCacheLocation) + "/filters";
    QDir().mkpath(store);
    WebKitUserContentFilterStore* filters =
        webkit_user_content_filter_store_new(QFile::encodeName(store).constData());
    GBytes* rules = g_bytes_new_static(kOfflineRules, sizeof kOfflineRules - 1);
    QPointer<WebKitEngine> self(this);
    auto* pointer = new QPointer<WebKitEngine>(self);
    webkit_user_content_filter_store_save(
        filters, kOfflineFilterId, rules, nullptr,
        +[](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<QPointer<WebKitEngine>> engine(
                static_cast<QPointer<WebKitEngine>*>(data));
            WebKitUserContentFilter* filter = webkit_user_content_filter_store_save_finish(
                WEBKIT_USER_CONTENT_FILTER_STORE(source), result, nullptr);
            if (!*engine) {
                if (filter) webkit_user_content_filter_unref(filter);
                return;
            }
            (*engine)->m_offlineFilter = filter;
            (*engine)->m_offlineFilterDone = true;
        },
        pointer);
    g_bytes_unref(rules);
    g_object_unref(filters);
}

// Compiled when first needed: compiling it at start delayed the first page by about 150 ms.
WebKitUserContentFilter* WebKitEngine::offlineFilter() {
    if (!std::exchange(m_offlineFilterStarted, true)) compileOfflineFilter();
    if (!m_offlineFilterDone) {
        QEventLoop wait;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &wait, [&] {
            if (m_offlineFilterDone) wait.quit();
        });
        poll.start(10);
        QTimer::singleShot(10000, &wait, &QEventLoop::quit);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return m_offlineFilter;
}

namespace {

// A response header's value in the bytes the server sent. WebKit reads each byte of a header as
// the Latin-1 character of that number and hands the text on in UTF-8, so that a name the
// server sent in UTF-8 comes encoded twice: its bytes are taken back.
QByteArray sentBytes(const char* value) {
    const QString read = QString::fromUtf8(value);
    for (const QChar c : read)
        if (c.unicode() > 0xFF) return value;  // not read that way: as it comes
    return read.toLatin1();
}

// The file name the server gives the download, in UTF-8 as it sent it (bytes that are not UTF-8
// reach the program already replaced by U+FFFD); the program makes it safe as on the other
// engine. Empty when it gives none. WebKit's own suggestion has characters replaced and is
// cut shorter.
QString serverFileName(WebKitDownload* download) {
    WebKitURIResponse* response = webkit_download_get_response(download);
    SoupMessageHeaders* headers =
        response ? webkit_uri_response_get_http_headers(response) : nullptr;
    const char* disposition =
        headers ? soup_message_headers_get_one(headers, "Content-Disposition") : nullptr;
    if (!disposition) return {};
    SoupMessageHeaders* sent = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    soup_message_headers_append(sent, "Content-Disposition", sentBytes(disposition).constData());
    GHashTable* parameters = nullptr;
    QString found;
    if (soup_message_headers_get_content_disposition(sent, nullptr, &parameters)) {
        const auto* name = static_cast<const char*>(g_hash_table_lookup(parameters, "filename"));
        found = name ? QString::fromUtf8(name) : QString();
        g_hash_table_destroy(parameters);
    }
    soup_message_headers_unref(sent);
    return found;
}

}  // namespace

// WebKit asks where to save once the server has answered; the program is asked on its own
// turn of the event loop, so that no page waits while the user chooses.
void WebKitEngine::onDownloadStarted(WebKitDownload* download) {
    m_network->watchRunning();
    auto* item = new WebKitDownloadItem(download, m_network, this);
    g_signal_connect(download, "decide-destination",
                     G_CALLBACK(+[](WebKitDownload* download, gchar* suggested,
                                    WebKitDownloadItem* item) -> gboolean {
                         const QString fromServer = serverFileName(download);
                         item->setSuggestedFileName(
                             fromServer.isEmpty() ? QString::fromUtf8(suggested) : fromServer);
                         QTimer::singleShot(0, item, [item] {
                             auto* engine = static_cast<WebKitEngine*>(item->parent());
                             emit engine->downloadRequested(item);
                             if (item->state() == Download::State::Requested) item->cancel();
                         });
                         return TRUE;
                     }),
                     item);
}

}  // namespace skiff
