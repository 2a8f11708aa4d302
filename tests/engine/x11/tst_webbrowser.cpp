// The web component as the browser window uses it. Every case runs on each engine, Qt WebEngine
// and WebKitGTK (under X11, which WebKitGTK needs), against pages served on 127.0.0.1; the
// rules of Qt WebEngine alone come last.

#include <unistd.h>

#include <QCryptographicHash>
#include <QPushButton>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <map>

#include "app/enginechoice.h"
#include "engine/engine.h"
#include "engine/engineoptions.h"
#include "engine/qtwebengine/enginesandbox.h"
#include "engine/qtwebengine/glrenderer.h"
#include "engine/webbrowser.h"
#include "forms/textdialog.h"
#include "support/browsertest.h"
#include "support/loopbackserver.h"
#include "support/untrustedtls.h"
#include "support/userinput.h"
#include "support/xinput.h"

using namespace skiff;
using namespace skiff::test;

namespace {

constexpr int kLoadWait = 30000;
constexpr char kQtOnly[] = "a rule of Qt WebEngine alone";
const QString kQt = "qtwebengine";

// Every event of a browser, as one line each, in order of arrival.
class EventLog : public QObject {
public:
    explicit EventLog(WebBrowser* wb) {
        connect(wb, &WebBrowser::StatusTextChange, this,
                [this](const QString& text) { lines << "StatusTextChange " + text; });
        connect(wb, &WebBrowser::ProgressChange, this, [this](int progress, int max) {
            lines << QString("ProgressChange %1 %2").arg(progress).arg(max);
        });
        connect(wb, &WebBrowser::CommandStateChange, this,
                [this](WebBrowser::Command command, bool enable) {
                    lines << QString("CommandStateChange %1 %2").arg(int(command)).arg(enable);
                });
        connect(wb, &WebBrowser::DownloadBegin, this, [this] { lines << "DownloadBegin"; });
        connect(wb, &WebBrowser::DownloadComplete, this, [this](bool succeeded) {
            lines << (succeeded ? "DownloadComplete" : "DownloadComplete failed");
        });
        connect(wb, &WebBrowser::TitleChange, this,
                [this](const QString& text) { lines << "TitleChange " + text; });
        connect(wb, &WebBrowser::NavigateComplete2, this,
                [this, wb] { lines << "NavigateComplete2 " + wb->LocationURL(); });
        connect(wb, &WebBrowser::DocumentComplete, this, [this](bool succeeded) {
            lines << (succeeded ? "DocumentComplete" : "DocumentComplete failed");
        });
    }

    // The lines that start with one of `names`.
    QStringList only(const QStringList& names) const {
        QStringList kept;
        for (const QString& line : lines) {
            if (names.contains(line.section(' ', 0, 0))) kept << line;
        }
        return kept;
    }

    QStringList lines;
};

// Shows the browser's view as the active window with the keyboard focus, as a user sees it.
bool showFocused(WebBrowser& wb) {
    QWidget* view = wb.widget();
    view->resize(400, 300);
    if (!showActive(view)) return false;
    view->setFocus(Qt::ActiveWindowFocusReason);
    return QTest::qWaitFor([view] { return view->hasFocus(); });
}

// Runs `statement` in the page and tells whether it ran.
bool ran(WebBrowser& wb, const QString& statement) {
    return runScript(wb, statement + "; true") == "true";
}

std::optional<QString> markupOf(WebBrowser& wb) {
    std::optional<QString> markup;
    bool done = false;
    wb.documentMarkup([&](std::optional<QString> answer) {
        markup = answer;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, kLoadWait)) return "no answer";
    return markup;
}

const std::optional<QString> kNoTag;
std::optional<QString> tag(const char* name) {
    return QString(name);
}

// A WebSocket server on 127.0.0.1: it accepts every opening handshake and keeps the socket
// open until the page closes it, counting the connections that reached it and those still open.
class WebSocketServer : public QObject {
public:
    WebSocketServer() {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                ++connections;
                ++open;
                connect(socket, &QTcpSocket::readyRead, this, [socket] { answer(socket); });
                connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                    --open;
                    socket->deleteLater();
                });
            }
        });
    }
    QString url() const { return QString("ws://127.0.0.1:%1/").arg(server_.serverPort()); }

    int connections = 0;
    int open = 0;

private:
    static void answer(QTcpSocket* socket) {
        if (socket->property("answered").toBool()) {
            // A closing frame (its first byte 0x88) is answered with one, and the socket ends.
            if (socket->readAll().startsWith('\x88')) {
                socket->write(QByteArray("\x88\x00", 2));
                socket->disconnectFromHost();
            }
            return;
        }
        const QByteArray request = socket->peek(socket->bytesAvailable());
        if (!request.contains("\r\n\r\n")) return;
        socket->readAll();
        socket->setProperty("answered", true);
        QByteArray key;
        for (const QByteArray& line : request.split('\n')) {
            if (line.toLower().startsWith("sec-websocket-key:")) key = line.mid(18).trimmed();
        }
        const QByteArray accept =
            QCryptographicHash::hash(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11",
                                     QCryptographicHash::Sha1)
                .toBase64();
        socket->write(
            "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n"
            "Connection: Upgrade\r\nSec-WebSocket-Accept: " +
            accept + "\r\n\r\n");
    }

    QTcpServer server_;
};

}  // namespace

// Clicks the middle of the page, once, and waits for it to react.
static bool clickAndWait(WebBrowser& wb, const std::function<bool()>& reacted) {
    x11::click(wb.widget());
    return QTest::qWaitFor(reacted, 5000);
}

class TestWebBrowser : public QObject {
    Q_OBJECT
private:
    LoopbackServer server_;
    QTemporaryDir config_;
    QTemporaryDir files_;
    std::map<QString, std::unique_ptr<Engine>> engines_;

    QString engineName() const {
        QFETCH_GLOBAL(QString, engine);
        return engine;
    }
    bool onQt() const { return engineName() == kQt; }
    Engine& engine() { return *engines_.at(engineName()); }
    // A component as a window makes it, or for a page's request for a window.
    std::unique_ptr<WebBrowser> browser(const NewWindowRequest* request = nullptr) {
        return std::unique_ptr<WebBrowser>(engine().createBrowser(nullptr, request));
    }
    QString url(const QString& path) const { return server_.url(path).toString(); }

private slots:
    void initTestCase_data() {
        QTest::addColumn<QString>("engine");
        QTest::newRow("qtwebengine") << kQt;
        QTest::newRow("webkitgtk") << QString("webkitgtk");
    }

    void initTestCase() {
        QVERIFY(server_.port() != 0);
        QVERIFY(config_.isValid() && files_.isValid());
        // The engine options are read from here; a fresh folder keeps runs apart.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path()));
        for (EngineKind kind : {EngineKind::QtWebEngine, EngineKind::WebKitGtk}) {
            QString error;
            std::unique_ptr<Engine> made = makeEngine(kind, &error);
            QVERIFY2(made, qPrintable(error));
            engines_[kind == EngineKind::QtWebEngine ? kQt : "webkitgtk"] = std::move(made);
        }
        server_.addPage("/a", "<html><head><title>Page A</title></head><body>A</body></html>");
        server_.addPage("/b", "<title>Page B</title><p>B</p>");
        server_.addPage("/untitled", "<p>no title</p>");
        server_.addRedirect("/moved", "/a");
        server_.addPage("/focus",
                        "<title>Focus</title><body><a id='link' href='/b'>b</a>"
                        "<input id='field'></body>");
        // Pages whose link or button fills the view, for a click anywhere in it.
        const QByteArray fill = " style='display:block;width:100%;height:100vh;margin:0'";
        server_.addPage("/opener",
                        "<title>Opener</title><body style='margin:0'><a href='/b' "
                        "target='_blank'" +
                            fill + ">new</a></body>");
        server_.addPage("/blocker",
                        "<title>Blocker</title><body style='margin:0' "
                        "onkeydown=\"document.title='pressed'\"><a href='/blocked' "
                        "target='_blank'" +
                            fill + ">new</a></body>");
        server_.addPage("/twice", "<title>Twice</title><body style='margin:0'><button" + fill +
                                      " onclick=\"window.open('/a'); window.open('/blocked'); "
                                      "document.title='clicked'\">two</button></body>");
        server_.addPage("/popup",
                        "<title>Popup</title><script>window.open('/blocked');"
                        "setTimeout(() => { window.open('/blocked');"
                        "document.title = 'timer ran' }, 100)</script>");
        server_.addPage("/blocked", "<title>Blocked</title>");
        server_.addPage("/offline", "<title>Online only</title>");
        server_.addPage("/held", "<title>Held</title>" + QByteArray(10000, ' '));
        server_.stallAfter("/held", 100);
        server_.addPage("/script",
                        "<title>static</title><body><img src='/image.png'>"
                        "<input id='field' autofocus><script>document.title = 'ran'</script>");
        server_.addPage("/image.png", "not really an image", "image/png");
        server_.addPage("/markup",
                        "<!DOCTYPE html><html><head><title>M</title></head>"
                        "<body><p>one</p></body></html>");
    }

    void typedAddressWithoutSchemeLoadsThePage() {
        auto wb = browser();
        EventLog log(wb.get());
        QVERIFY(navigated(*wb, server_.hostAndPort("/a")));
        QCOMPARE(wb->LocationURL(), url("/a"));
        QTRY_COMPARE(wb->LocationName(), QString("Page A"));
        QVERIFY(log.lines.contains("NavigateComplete2 " + url("/a")));
        QVERIFY(log.lines.contains("TitleChange Page A"));
    }

    void addressesAreReadLikeAnAddressBar() {
        auto wb = browser();
        QVERIFY(navigated(*wb, QString("localhost:%1/b").arg(server_.port())));
        QCOMPARE(wb->LocationURL(), QString("http://localhost:%1/b").arg(server_.port()));
        QTRY_COMPARE(wb->LocationName(), QString("Page B"));
        QVERIFY(navigated(*wb, "about:blank"));
        QCOMPARE(wb->LocationURL(), QString("about:blank"));
    }

    // A page without a title is named by its address without the scheme, or by its file's name.
    void pageWithoutTitleIsNamedByItsAddress() {
        auto wb = browser();
        QVERIFY(navigated(*wb, url("/untitled")));
        QCOMPARE(wb->LocationName(), server_.hostAndPort("/untitled"));
        QFile file(files_.filePath("untitled.html"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("<p>no title</p>") > 0);
        file.close();
        QVERIFY(navigated(*wb, file.fileName()));
        QCOMPARE(wb->LocationName(), QString("untitled.html"));
    }

    void redirectReportsTheFinalAddress() {
        auto wb = browser();
        EventLog log(wb.get());
        QVERIFY(navigated(*wb, url("/moved")));
        QCOMPARE(wb->LocationURL(), url("/a"));
        QCOMPARE(log.only({"NavigateComplete2"}), QStringList{"NavigateComplete2 " + url("/a")});
    }

    void loadEventsComeInOrder() {
        auto wb = browser();
        EventLog log(wb.get());
        // Quiet until it is sent somewhere, though WebKitGTK starts the page's process at once.
        QTest::qWait(1000);
        QVERIFY2(log.lines.isEmpty(), qPrintable(log.lines.join('\n')));
        QVERIFY(navigated(*wb, url("/b")));
        const QStringList events =
            log.only({"DownloadBegin", "ProgressChange", "DownloadComplete", "DocumentComplete"});
        QVERIFY(events.size() >= 4);
        QCOMPARE(events.first(), QString("DownloadBegin"));
        QCOMPARE(events.mid(events.size() - 3),
                 QStringList({"ProgressChange -1 100", "DownloadComplete", "DocumentComplete"}));
        // The layer's own messages name the page while it loads and come before the end.
        QCOMPARE(log.only({"StatusTextChange", "DocumentComplete"}),
                 QStringList({"StatusTextChange Loading " + url("/b") + "...",
                              "StatusTextChange Done", "DocumentComplete"}));
        QCOMPARE(log.only({"NavigateComplete2"}), QStringList{"NavigateComplete2 " + url("/b")});
    }

    // The end of a load says whether the page shows; when it does not, the last message says why.
    void loadEndTellsWhetherThePageShows_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("endMessage");
        const QString closed = QString("http://127.0.0.1:%1/").arg(closedLoopbackPort());
        QTest::newRow("page") << url("/b") << "Done";
        QTest::newRow("closed port") << closed << "Could not load " + closed;
        QTest::newRow("offline") << "offline"
                                 << "Could not load " + url("/b");
        QTest::newRow("stopped") << "stop"
                                 << "Stopped";
    }
    void loadEndTellsWhetherThePageShows() {
        QFETCH(QString, how);
        QFETCH(QString, endMessage);
        auto wb = browser();
        EventLog log(wb.get());
        wb->setOffline(how == "offline");
        if (how == "stop") {
            wb->Navigate(url("/held"));
            QTRY_VERIFY_WITH_TIMEOUT(server_.heldTargets().contains("/held"), kLoadWait);
            QVERIFY(wb->Stop());
        } else {
            wb->Navigate(how == "offline" ? url("/b") : how);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!log.only({"DocumentComplete"}).isEmpty(), kLoadWait);
        QTest::qWait(200);  // no other load follows
        const bool succeeded = endMessage == "Done";
        QCOMPARE(
            log.only({"DownloadBegin", "StatusTextChange", "DownloadComplete", "DocumentComplete"}),
            QStringList({"DownloadBegin", log.only({"StatusTextChange"}).value(0),
                         "StatusTextChange " + endMessage,
                         succeeded ? "DownloadComplete" : "DownloadComplete failed",
                         succeeded ? "DocumentComplete" : "DocumentComplete failed"}));
        QCOMPARE(log.only({"NavigateComplete2"}).size(), 1);
    }

    void emptyAddressDoesNothing() {
        auto wb = browser();
        EventLog log(wb.get());
        wb->Navigate("");
        QVERIFY(navigated(*wb, url("/b")));
        QCOMPARE(log.only({"DownloadBegin"}).size(), 1);
        QTRY_COMPARE(wb->LocationName(), QString("Page B"));
    }

    void historyStepsFailWithNowhereToGo() {
        auto wb = browser();
        QCOMPARE(wb->LocationURL(), QString());
        QCOMPARE(wb->LocationName(), QString());
        QVERIFY(!wb->GoBack());
        QVERIFY(!wb->GoForward());
        QVERIFY(!wb->Stop());
        QVERIFY(navigated(*wb, url("/a")));
        QVERIFY(!wb->GoBack());
        QVERIFY(!wb->GoForward());
        QVERIFY(!wb->Stop());
    }

    void commandStatesFollowTheHistory() {
        auto wb = browser();
        EventLog log(wb.get());
        // The first navigation reports both states before it returns, so that a window sets
        // its buttons before it first shows.
        QVERIFY(loadCompletes(*wb, [&] {
            wb->Navigate(url("/a"));
            QCOMPARE(log.lines, QStringList({"CommandStateChange 2 0", "CommandStateChange 1 0"}));
        }));
        QVERIFY(navigated(*wb, url("/b")));
        // Back became possible with the second page; forward never was.
        QCOMPARE(log.only({"CommandStateChange"}).filter("CommandStateChange 2").last(),
                 QString("CommandStateChange 2 1"));
        QVERIFY(!log.lines.contains("CommandStateChange 1 1"));
        log.lines.clear();
        QVERIFY(loadCompletes(*wb, [&] { QVERIFY(wb->GoBack()); }));
        QTRY_COMPARE(wb->LocationName(), QString("Page A"));
        QCOMPARE(log.only({"CommandStateChange"}),
                 QStringList({"CommandStateChange 2 0", "CommandStateChange 1 1"}));
        log.lines.clear();
        QVERIFY(loadCompletes(*wb, [&] { QVERIFY(wb->GoForward()); }));
        QTRY_COMPARE(wb->LocationName(), QString("Page B"));
        QCOMPARE(log.only({"CommandStateChange"}),
                 QStringList({"CommandStateChange 2 1", "CommandStateChange 1 0"}));
    }

    void componentOutlivesItsWidget() {
        // A host window deletes the view with its other widgets.
        auto wb = browser();
        QVERIFY(navigated(*wb, url("/a")));
        delete wb->widget();
        QCOMPARE(wb->widget(), nullptr);
        wb->Navigate(url("/b"));
        wb->Refresh();
        wb->GoHome();
        wb->setZoomFactor(2);
        QCOMPARE(wb->zoomFactor(), 1.0);
        QVERIFY(!wb->GoBack());
        QVERIFY(!wb->Stop());
        QVERIFY(!wb->pageReady());
        QCOMPARE(wb->LocationURL(), QString());
        QCOMPARE(wb->LocationName(), QString());
        QCOMPARE(markupOf(*wb), std::nullopt);
    }

    void zoomScalesThePage() {
        auto wb = browser();
        QVERIFY(showFocused(*wb));
        QVERIFY(navigated(*wb, url("/a")));
        QCOMPARE(wb->zoomFactor(), 1.0);
        const int width = runScript(*wb, "window.innerWidth").value_or("0").toInt();
        QVERIFY(width > 300);
        wb->setZoomFactor(2);
        QCOMPARE(wb->zoomFactor(), 2.0);
        QTRY_COMPARE(runScript(*wb, "window.innerWidth").value_or("0").toInt(), width / 2);
        // The next page of the site shows zoomed too.
        QVERIFY(navigated(*wb, url("/b")));
        QCOMPARE(wb->zoomFactor(), 2.0);
        QTRY_COMPARE(runScript(*wb, "window.innerWidth").value_or("0").toInt(), width / 2);
    }

    void focusedElementIsTracked() {
        auto wb = browser();
        QVERIFY(showFocused(*wb));
        QCOMPARE(wb->activeElementTagName(), kNoTag);
        QVERIFY(navigated(*wb, url("/focus")));
        QTRY_COMPARE(wb->activeElementTagName(), tag("BODY"));
        QVERIFY(ran(*wb, "document.getElementById('field').focus()"));
        QTRY_COMPARE(wb->activeElementTagName(), tag("INPUT"));
        QVERIFY(ran(*wb, "document.getElementById('link').focus()"));
        QTRY_COMPARE(wb->activeElementTagName(), tag("A"));
        // The page cannot report a focus of its own making, through the console (where Qt
        // WebEngine's reports come, and the page's messages go on as before) or by posting to
        // the program's script world.
        const QStringList forged{" x BUTTON", "skiff-focus x BUTTON", "undefined x BUTTON"};
        for (const QString& message : forged) {
            if (onQt())
                QTest::ignoreMessage(QtWarningMsg,
                                     QRegularExpression(QRegularExpression::escape(message) + "$"));
        }
        QVERIFY(ran(*wb, "['" + forged.join("','") +
                             "'].forEach(m => console.warn(m));"
                             "try { webkit.messageHandlers.skiffFocus.postMessage('BUTTON') }"
                             "catch (e) {}"));
        QTest::qWait(500);
        QCOMPARE(wb->activeElementTagName(), tag("A"));
        // A jump within the page keeps its document.
        QSignalSpy jumped(wb.get(), &WebBrowser::NavigateComplete2);
        wb->Navigate(url("/focus#field"));
        QVERIFY(jumped.wait(kLoadWait));
        QCOMPARE(wb->LocationURL(), url("/focus#field"));
        QVERIFY(ran(*wb, "document.getElementById('field').focus()"));
        QTRY_COMPARE(wb->activeElementTagName(), tag("INPUT"));
        // A new navigation forgets the old document's focus at once.
        std::optional<QString> atStart = "unread";
        connect(wb.get(), &WebBrowser::DownloadBegin, this,
                [&] { atStart = wb->activeElementTagName(); });
        QVERIFY(navigated(*wb, url("/b")));
        QCOMPARE(atStart, kNoTag);
        QTRY_COMPARE(wb->activeElementTagName(), tag("BODY"));
    }

    void markupIsTheRootElementsContent() {
        auto wb = browser();
        QVERIFY(navigated(*wb, url("/markup")));
        QCOMPARE(markupOf(*wb),
                 std::optional<QString>("<head><title>M</title></head><body><p>one</p></body>"));
        // A document without a root element has no markup.
        QVERIFY(ran(*wb, "document.removeChild(document.documentElement)"));
        QCOMPARE(markupOf(*wb), std::nullopt);
    }

    void linkToNewWindowOpensAnotherBrowser_data() {
        QTest::addColumn<bool>("madeBefore");
        // A new browser window navigates to its own start-up page before its component is
        // handed back; the requested page takes the place of that navigation, whether it was
        // asked for inside the request or some time before it.
        QTest::newRow("start-up page asked for in the request") << false;
        QTest::newRow("start-up page asked for before the request") << true;
    }
    void linkToNewWindowOpensAnotherBrowser() {
        QFETCH(bool, madeBefore);
        // WebKitGTK wants the new window's view made inside the page's request.
        if (madeBefore && !onQt()) QSKIP(kQtOnly);
        auto wb = browser();
        QVERIFY(showFocused(*wb));
        QVERIFY(navigated(*wb, url("/opener")));
        std::unique_ptr<WebBrowser> other;
        std::unique_ptr<EventLog> otherLog;
        const auto make = [&](const NewWindowRequest& request) {
            other = browser(&request);
            otherLog = std::make_unique<EventLog>(other.get());
        };
        const qsizetype loadsOfA = server_.requestedPaths().count("/a");
        if (madeBefore) {
            make(NewWindowRequest(*wb));
            other->Navigate(url("/a"));
            // A click just after a view was made reaches its page but not the component, which
            // then takes it for no action of the user's (an open fault on Qt WebEngine).
            QTest::qWait(1000);
        }
        std::optional<QString> focusAtRequest;
        int requests = 0;
        qsizetype statesInRequest = -1;
        wb->setNewWindowHook([&](const NewWindowRequest& request) -> WebBrowser* {
            ++requests;
            focusAtRequest = wb->activeElementTagName();
            if (!other) {
                make(request);
                other->Navigate(url("/a"));
            }
            // Not inside the engine's request: the host's handler lets events run.
            statesInRequest = otherLog->only({"CommandStateChange"}).size();
            return other.get();
        });
        QVERIFY(clickAndWait(*wb, [&] { return requests > 0; }));
        QCOMPARE(requests, 1);
        QCOMPARE(focusAtRequest, tag("A"));

        const QString b = url("/b");
        QTRY_VERIFY_WITH_TIMEOUT(
            otherLog->lines.contains("DocumentComplete") && other->LocationURL() == b, kLoadWait);
        QVERIFY(otherLog->lines.contains("StatusTextChange Loading " + b + "..."));
        QCOMPARE(otherLog->only({"NavigateComplete2"}).last(), "NavigateComplete2 " + b);
        QTRY_COMPARE(other->LocationName(), QString("Page B"));
        QCOMPARE(server_.requestedPaths().count("/a"), loadsOfA);
        QCOMPARE(statesInRequest, 0);
        // The new window has no page to go back to.
        QVERIFY(!otherLog->lines.contains("CommandStateChange 2 1"));
        QVERIFY(otherLog->lines.contains("CommandStateChange 2 0"));
        QVERIFY(!other->GoBack());
        // The adopted page keeps the component's focus tracking.
        QTRY_COMPARE(other->activeElementTagName(), tag("BODY"));
        QTRY_COMPARE(wb->LocationName(), QString("Opener"));
        QCOMPARE(requests, 1);
    }

    void pagesOpenWindowsOnlyForAnActionOfTheUser() {
        auto wb = browser();
        std::unique_ptr<WebBrowser> opened;
        int requests = 0;
        bool refuse = true;
        wb->setNewWindowHook([&](const NewWindowRequest& request) -> WebBrowser* {
            ++requests;
            if (refuse) return nullptr;
            opened = browser(&request);
            return opened.get();
        });
        // Windows that no action of the user opened, on load or from a timer: the host is not
        // even asked.
        QVERIFY(navigated(*wb, url("/popup")));
        QVERIFY(ran(*wb, "window.open('/blocked')"));
        QTRY_COMPARE(wb->LocationName(), QString("timer ran"));
        QCOMPARE(requests, 0);

        // A refused window: loads that start after the refusal complete without its page.
        QVERIFY(showFocused(*wb));
        QVERIFY(navigated(*wb, url("/blocker")));
        QVERIFY(clickAndWait(*wb, [&] { return requests > 0; }));
        QCOMPARE(requests, 1);
        // A click and a key in one page leave no window for the next page to open on its load.
        QVERIFY(x11::pressKey("space"));
        QTRY_COMPARE(wb->LocationName(), QString("pressed"));
        QVERIFY(navigated(*wb, url("/popup")));
        QTRY_COMPARE(wb->LocationName(), QString("timer ran"));
        QCOMPARE(requests, 1);

        // One click opens one window, however many the page asks for.
        refuse = false;
        QVERIFY(navigated(*wb, url("/twice")));
        x11::click(wb->widget(), QPoint(40, 40));  // away from the last click: no double click
        QTRY_COMPARE_WITH_TIMEOUT(wb->LocationName(), QString("clicked"), kLoadWait);
        QCOMPARE(requests, 2);
        QVERIFY(opened);
        QTRY_COMPARE_WITH_TIMEOUT(opened->LocationName(), QString("Page A"), kLoadWait);
        QVERIFY(!server_.requestedPaths().contains("/blocked"));
    }

    void offlineRefusesNetworkPagesButLoadsLocalFiles() {
        auto wb = browser();
        wb->setOffline(true);
        QVERIFY(wb->Offline());
        const qsizetype requested = server_.requestedPaths().size();
        QVERIFY(navigated(*wb, url("/offline")));
        QVERIFY(!server_.requestedPaths().mid(requested).contains("/offline"));
        QVERIFY(wb->LocationName() != "Online only");

        const QString path = files_.filePath("local.html");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<title>Local page</title><p>here</p>");
        file.close();
        QVERIFY(navigated(*wb, path));  // an absolute path, as typed
        QCOMPARE(wb->LocationURL(), QUrl::fromLocalFile(path).toString());
        QTRY_COMPARE(wb->LocationName(), QString("Local page"));

        wb->setOffline(false);
        QVERIFY(!wb->Offline());
        QVERIFY(navigated(*wb, url("/offline")));
        QTRY_COMPARE(wb->LocationName(), QString("Online only"));
    }

    // Offline, a page's WebSockets go nowhere: a new one fails without reaching the server, and
    // those that were open, also in a frame, are closed.
    void offlineRefusesWebSockets() {
        WebSocketServer sockets;
        const QString path = files_.filePath("socket.html");
        const QByteArray opens = "const socket = new WebSocket('" + sockets.url().toUtf8() + "');";
        for (const auto& [name, content] :
             {std::pair{path, "<title>page</title><script>" + opens +
                                  "socket.onopen = () => document.title = 'open';"
                                  "socket.onerror = socket.onclose = () => document.title = "
                                  "'ended';</script><iframe src='socketframe.html'></iframe>"},
              std::pair{files_.filePath("socketframe.html"), "<script>" + opens + "</script>"}}) {
            QFile file(name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        auto wb = browser();
        wb->setOffline(true);
        QVERIFY(navigated(*wb, path));
        QTRY_COMPARE(wb->LocationName(), QString("ended"));
        QCOMPARE(sockets.connections, 0);

        wb->setOffline(false);
        QVERIFY(navigated(*wb, path));
        QTRY_COMPARE(wb->LocationName(), QString("open"));
        QTRY_COMPARE(sockets.open, 2);
        wb->setOffline(true);
        QTRY_COMPARE(wb->LocationName(), QString("ended"));
        QTRY_COMPARE(sockets.open, 0);
    }

    void silentRefusesUntrustedCertificatesWithoutAsking() {
        QTemporaryDir folder;
        const auto tls = untrustedTls(folder.path());
        if (!tls) QSKIP("openssl could not make a certificate");
        LoopbackServer secure(*tls);
        secure.addPage("/secure", "<title>Secure</title>");
        auto wb = browser();
        EventLog log(wb.get());
        wb->setSilent(true);
        QVERIFY(wb->Silent());
        QVERIFY(navigated(*wb, secure.url("/secure").toString()));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(!secure.requestedPaths().contains("/secure"));
        QVERIFY(wb->LocationName() != "Secure");
        QVERIFY(log.lines.endsWith("DocumentComplete failed"));
    }

    void homePageAndPageOptionsComeFromTheStoredOptions() {
        const auto restore = qScopeGuard([this] {
            EngineOptions().save();
            engine().applyOptions(EngineOptions());
        });
        const EngineOptions defaults = EngineOptions::load();
        QCOMPARE(defaults.homePage(), QString("http://www.google.com/"));
        QVERIFY(defaults.javascriptEnabled());
        QVERIFY(defaults.imagesEnabled());

        EngineOptions options;
        options.setHomePage(server_.hostAndPort("/b"));
        options.setJavascriptEnabled(false);
        options.setImagesEnabled(false);
        QVERIFY(options.save());
        QCOMPARE(EngineOptions::load(), options);

        auto wb = browser();
        QVERIFY(loadCompletes(*wb, [&] { wb->GoHome(); }));
        QCOMPARE(wb->LocationURL(), url("/b"));

        // Without page scripts the title stays as written, and focus is still tracked.
        engine().applyOptions(options);
        QVERIFY(showFocused(*wb));
        const qsizetype requested = server_.requestedPaths().size();
        QVERIFY(navigated(*wb, url("/script")));
        QTRY_COMPARE(wb->LocationName(), QString("static"));
        QTRY_COMPARE(wb->activeElementTagName(), tag("INPUT"));
        QVERIFY(!server_.requestedPaths().mid(requested).contains("/image.png"));

        options.setJavascriptEnabled(true);
        options.setImagesEnabled(true);
        engine().applyOptions(options);
        QSignalSpy reported(wb.get(), &WebBrowser::NavigateComplete2);
        QVERIFY(loadCompletes(*wb, [&] { wb->Refresh(); }));
        QTRY_COMPARE(wb->LocationName(), QString("ran"));
        QCOMPARE(reported.count(), 1);  // a reload is a completed navigation too
        QTRY_VERIFY(server_.requestedPaths().mid(requested).contains("/image.png"));
    }

    // ---- Qt WebEngine alone ----

    // Its certificate questions are asked here; the user may trust the certificate.
    void untrustedCertificateIsLeftToTheUserWhenNotSilent() {
        if (!onQt()) QSKIP(kQtOnly);
        QTemporaryDir folder;
        const auto tls = untrustedTls(folder.path());
        if (!tls) QSKIP("openssl could not make a certificate");
        LoopbackServer secure(*tls);
        secure.addPage("/secure", "<title>Secure</title>");
        auto wb = browser();
        int questions = 0;
        QTimer user;  // answers "Yes" to every question the engine asks
        QPointer<TextDialog> answered;
        connect(&user, &QTimer::timeout, this, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<TextDialog*>(widget);
                if (!dialog || !dialog->isVisible() || dialog == answered) continue;
                answered = dialog;
                ++questions;
                for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
                    if (button->text() == "Yes") click(button);
                }
            }
        });
        user.start(20);

        wb->Navigate(secure.url("/secure").toString());
        QTRY_COMPARE_WITH_TIMEOUT(wb->LocationName(), QString("Secure"), kLoadWait);
        QCOMPARE(questions, 1);
    }

    // Addresses the engine takes as orders to crash, hang or strain a part of itself, the
    // browser's own process among them. Typed in any form the engine reads as one of them, or
    // opened by a page, they are refused with a message and the page stays as it was.
    void engineDebugAddressesAreRefused_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("byPage");
        for (const char* host :
             {"badcastcrash", "checkcrash", "crash", "crashdump", "delayeduithreadhang", "gpuclean",
              "gpucrash", "gpuhang", "hang", "inducebrowsercrashforrealz", "kill", "memory-exhaust",
              "memory-pressure-critical", "memory-pressure-moderate", "shorthang", "uithreadhang"})
            QTest::newRow(host) << QString("chrome://") + host << false;
        QTest::newRow("capitals and blanks") << "  CHROME://GpuCrash/ " << false;
        QTest::newRow("no slashes") << "chrome:gpucrash" << false;
        QTest::newRow("three slashes") << "chrome:///inducebrowsercrashforrealz" << false;
        QTest::newRow("user name and port") << "chrome://me@gpucrash:80/" << false;
        QTest::newRow("escaped letter") << "chrome://gpu%63rash" << false;
        QTest::newRow("full-width letters") << "chrome://\uFF47\uFF50\uFF55crash" << false;
        QTest::newRow("source view") << "view-source:chrome://gpucrash" << false;
        QTest::newRow("about") << "about:inducebrowsercrashforrealz" << false;
        // Web pages may not open chrome: addresses at all, the engine's own pages may.
        QTest::newRow("opened by an engine page") << "chrome://gpucrash/" << true;
    }
    void engineDebugAddressesAreRefused() {
        if (!onQt()) QSKIP(kQtOnly);
        QFETCH(QString, address);
        QFETCH(bool, byPage);
        auto wb = browser();
        const QString start = byPage ? "chrome://gpu/" : url("/a");
        QVERIFY(navigated(*wb, start));
        EventLog log(wb.get());
        const QString refusal = "StatusTextChange Not opened: " + address.trimmed() +
                                " is a debugging address of the web engine";
        if (byPage) {
            // The engine reports a load that stops at once.
            runScript(*wb, "location.href = '" + address + "'");
            QTRY_VERIFY(log.lines.endsWith("DocumentComplete failed"));
        } else {
            wb->Navigate(address);
            QCOMPARE(log.lines, QStringList{refusal});
        }
        QCOMPARE(log.only({"StatusTextChange"}).last(), refusal);
        // The page is still there and still answers.
        QCOMPARE(runScript(*wb, "location.href"), start);
        QCOMPARE(wb->LocationURL(), start);
    }

    // An address longer than the engine takes is refused with a message, not dropped silently.
    void overlongAddressIsRefusedWithAMessage() {
        if (!onQt()) QSKIP(kQtOnly);
        auto wb = browser();
        const QString start = url("/a");
        QVERIFY(navigated(*wb, start));
        EventLog log(wb.get());
        const QString address = url("/a?") + QString(2 * 1024 * 1024, 'x');
        wb->Navigate(address);
        QCOMPARE(log.lines,
                 QStringList{QString("StatusTextChange Not opened: the address is %1 bytes long, "
                                     "and the web engine opens addresses of at most 2097152 bytes")
                                 .arg(address.size())});
        QCOMPARE(wb->LocationURL(), start);
    }

    void engineSwitchesAreAddedOnce() {
        if (!onQt()) QSKIP(kQtOnly);
        const QByteArray ours =
            "--disable-background-networking --disable-component-update "
            "--disable-hang-monitor";
        const struct {
            QByteArray given, expected;
        } cases[] = {
            {"", ours + " --disable-features=PaintHolding"},
            {"--disable-gpu  --disable-component-update",
             "--disable-gpu --disable-component-update --disable-background-networking "
             "--disable-hang-monitor --disable-features=PaintHolding"},
            // The engine reads only the last list of disabled features: ours joins it.
            {"--disable-features=A --disable-features=B,C",
             "--disable-features=A --disable-features=B,C,PaintHolding " + ours},
            {"--disable-features=PaintHolding", "--disable-features=PaintHolding " + ours},
        };
        for (const auto& [given, expected] : cases) QCOMPARE(withEngineSwitches(given), expected);
    }

    // Both engines choose how to draw by this; it does not depend on the engine.
    void renderersOnTheCpuAreRecognised() {
        if (!onQt()) QSKIP("the same rule for both engines");
        for (const char* software :
             {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Software Rasterizer",
              "Mesa DRI Intel swrast", "Google SwiftShader"})
            QVERIFY2(isSoftwareRenderer(software), software);
        for (const char* hardware :
             {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)",
              "AMD Radeon RX 6600 (navi23, LLVM 15.0.6)", "NVIDIA GeForce GTX 1060/PCIe/SSE2", ""})
            QVERIFY2(!isSoftwareRenderer(hardware), hardware);
    }

    void sandboxIsSwitchedOffOnlyForRoot() {
        if (!onQt()) QSKIP(kQtOnly);
        const QByteArray savedSandbox = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
        const QByteArray savedFlags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
        prepareEngineEnvironment();
        QCOMPARE(qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"), geteuid() == 0);
        QCOMPARE(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), withEngineSwitches("--disable-gpu"));
        // A choice already made in the environment is kept.
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "0");
        prepareEngineEnvironment();
        QCOMPARE(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), QByteArray("0"));
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", savedSandbox);
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", savedFlags);
    }
};

QTEST_MAIN(TestWebBrowser)
#include "tst_webbrowser.moc"
