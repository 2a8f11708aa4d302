#include <unistd.h>

#include <QPushButton>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include "engine/engineoptions.h"
#include "engine/qtwebengine/enginesandbox.h"
#include "engine/qtwebengine/qtengine.h"
#include "engine/qtwebengine/qtwebbrowser.h"
#include "engine/glrenderer.h"
#include "forms/textdialog.h"
#include "support/engineview.h"
#include "support/loopbackserver.h"
#include "support/untrustedtls.h"
#include "support/userinput.h"

using namespace skiff;
using test::LoopbackServer;
using test::untrustedTls;

namespace {

constexpr int kLoadWait = 30000;

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

// Calls `start` and waits until the browser's load completes.
bool loadCompletes(WebBrowser& wb, const std::function<void()>& start) {
    QSignalSpy done(&wb, &WebBrowser::DocumentComplete);
    start();
    return done.wait(kLoadWait);
}

bool navigated(WebBrowser& wb, const QString& address) {
    return loadCompletes(wb, [&] { wb.Navigate(address); });
}

QWebEngineView* viewOf(WebBrowser& wb) {
    return qobject_cast<QWebEngineView*>(wb.widget());
}

// Shows the browser's view as the active window with the keyboard focus, as a user sees it.
bool showFocused(WebBrowser& wb) {
    QWidget* view = wb.widget();
    view->resize(400, 300);
    return test::showActive(view) && QTest::qWaitFor([view] { return view->hasFocus(); });
}

// Runs `script` in the page's own world and waits for it to finish.
QVariant runScript(WebBrowser& wb, const QString& script) {
    return test::runScript(viewOf(wb), script, kLoadWait);
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

}  // namespace

class TestQtWebBrowser : public QObject {
    Q_OBJECT
private:
    LoopbackServer server_;
    QtEngine engine_;
    QTemporaryDir config_;
    QTemporaryDir files_;

private slots:
    void initTestCase() {
        QVERIFY(server_.port() != 0);
        QVERIFY(config_.isValid() && files_.isValid());
        // The engine options are read from here; a fresh folder keeps runs apart.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path()));
        server_.addPage("/a", "<html><head><title>Page A</title></head><body>A</body></html>");
        server_.addPage("/b", "<title>Page B</title><p>B</p>");
        server_.addRedirect("/moved", "/a");
        server_.addPage("/focus",
                        "<title>Focus</title><body><a id='link' href='/b'>b</a>"
                        "<input id='field'></body>");
        server_.addPage("/opener",
                        "<title>Opener</title><body>"
                        "<a id='link' href='/b' target='_blank'>new</a></body>");
        server_.addPage("/popup", "<title>Popup</title><script>window.open('/b')</script>");
        server_.addPage("/blocker",
                        "<title>Blocker</title><body>"
                        "<a id='link' href='/blocked' target='_blank'>new</a></body>");
        server_.addPage("/blocked", "<title>Blocked</title>");
        server_.addPage("/offline", "<title>Online only</title>");
        server_.addPage("/held", "<title>Held</title>" + QByteArray(10000, ' '));
        server_.stallAfter("/held", 100);
        server_.addPage("/script",
                        "<title>static</title><body>"
                        "<input id='field' autofocus><script>document.title = 'ran'</script>");
        server_.addPage("/markup",
                        "<!DOCTYPE html><html><head><title>M</title></head>"
                        "<body><p>one</p></body></html>");
    }

    void typedAddressWithoutSchemeLoadsThePage() {
        QtWebBrowser wb(engine_);
        EventLog log(&wb);
        QVERIFY(navigated(wb, server_.hostAndPort("/a")));
        const QString url = QString("http://127.0.0.1:%1/a").arg(server_.port());
        QCOMPARE(wb.LocationURL(), url);
        QCOMPARE(wb.LocationName(), QString("Page A"));
        QVERIFY(log.lines.contains("NavigateComplete2 " + url));
        QVERIFY(log.lines.contains("TitleChange Page A"));
    }

    void addressesAreReadLikeAnAddressBar() {
        QtWebBrowser wb(engine_);
        QVERIFY(navigated(wb, QString("localhost:%1/b").arg(server_.port())));
        QCOMPARE(wb.LocationURL(), QString("http://localhost:%1/b").arg(server_.port()));
        QCOMPARE(wb.LocationName(), QString("Page B"));
        QVERIFY(navigated(wb, "about:blank"));
        QCOMPARE(wb.LocationURL(), QString("about:blank"));
    }

    void redirectReportsTheFinalAddress() {
        QtWebBrowser wb(engine_);
        EventLog log(&wb);
        QVERIFY(navigated(wb, server_.url("/moved").toString()));
        const QString url = QString("http://127.0.0.1:%1/a").arg(server_.port());
        QCOMPARE(wb.LocationURL(), url);
        QCOMPARE(log.only({"NavigateComplete2"}), QStringList{"NavigateComplete2 " + url});
    }

    void loadEventsComeInOrder() {
        QtWebBrowser wb(engine_);
        EventLog log(&wb);
        QVERIFY(navigated(wb, server_.url("/b").toString()));
        const QStringList events =
            log.only({"DownloadBegin", "ProgressChange", "DownloadComplete", "DocumentComplete"});
        QVERIFY(events.size() >= 4);
        QCOMPARE(events.first(), QString("DownloadBegin"));
        QCOMPARE(events.mid(events.size() - 3),
                 QStringList({"ProgressChange -1 100", "DownloadComplete", "DocumentComplete"}));
        // The layer's own messages name the page while it loads and come before the end.
        const QString url = server_.url("/b").toString();
        const QStringList messages = log.only({"StatusTextChange", "DocumentComplete"});
        QCOMPARE(messages, QStringList({"StatusTextChange Loading " + url + "...",
                                        "StatusTextChange Done", "DocumentComplete"}));
    }

    // The end of a load says whether the page shows; when it does not, the last message says why.
    void loadEndTellsWhetherThePageShows_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("endMessage");
        const QString closed = QString("http://127.0.0.1:%1/").arg(test::closedLoopbackPort());
        QTest::newRow("page") << server_.url("/b").toString() << "Done";
        QTest::newRow("closed port") << closed << "Could not load " + closed;
        QTest::newRow("offline") << "offline"
                                 << "Could not load " + server_.url("/b").toString();
        QTest::newRow("stopped") << "stop"
                                 << "Stopped";
    }
    void loadEndTellsWhetherThePageShows() {
        QFETCH(QString, how);
        QFETCH(QString, endMessage);
        QtWebBrowser wb(engine_);
        EventLog log(&wb);
        wb.setOffline(how == "offline");
        if (how == "stop") {
            wb.Navigate(server_.url("/held").toString());
            QTRY_VERIFY_WITH_TIMEOUT(server_.heldTargets().contains("/held"), kLoadWait);
            QVERIFY(wb.Stop());
        } else {
            wb.Navigate(how == "offline" ? server_.url("/b").toString() : how);
        }
        QTRY_VERIFY_WITH_TIMEOUT(
            !log.lines.isEmpty() && log.lines.last().startsWith("DocumentComplete"), kLoadWait);
        const bool succeeded = endMessage == "Done";
        QCOMPARE(log.only({"StatusTextChange", "DownloadComplete", "DocumentComplete"}).mid(1),
                 QStringList({"StatusTextChange " + endMessage,
                              succeeded ? "DownloadComplete" : "DownloadComplete failed",
                              succeeded ? "DocumentComplete" : "DocumentComplete failed"}));
    }

    void emptyAddressDoesNothing() {
        QtWebBrowser wb(engine_);
        EventLog log(&wb);
        wb.Navigate("");
        QVERIFY(navigated(wb, server_.url("/b").toString()));
        QCOMPARE(log.only({"DownloadBegin"}).size(), 1);
        QCOMPARE(wb.LocationName(), QString("Page B"));
    }

    void historyStepsFailWithNowhereToGo() {
        QtWebBrowser wb(engine_);
        QCOMPARE(wb.LocationURL(), QString());
        QCOMPARE(wb.LocationName(), QString());
        QVERIFY(!wb.GoBack());
        QVERIFY(!wb.GoForward());
        QVERIFY(!wb.Stop());
        QVERIFY(navigated(wb, server_.url("/a").toString()));
        QVERIFY(!wb.GoBack());
        QVERIFY(!wb.GoForward());
        QVERIFY(!wb.Stop());
    }

    void commandStatesFollowTheHistory() {
        QtWebBrowser wb(engine_);
        EventLog log(&wb);
        // The first navigation reports both states before it returns, so that a window sets
        // its buttons before it first shows.
        QVERIFY(loadCompletes(wb, [&] {
            wb.Navigate(server_.url("/a").toString());
            QCOMPARE(log.lines, QStringList({"CommandStateChange 2 0", "CommandStateChange 1 0"}));
        }));
        QVERIFY(navigated(wb, server_.url("/b").toString()));
        // Back became possible with the second page; forward never was.
        QCOMPARE(log.only({"CommandStateChange"}).filter("CommandStateChange 2").last(),
                 QString("CommandStateChange 2 1"));
        QVERIFY(!log.lines.contains("CommandStateChange 1 1"));
        log.lines.clear();
        QVERIFY(loadCompletes(wb, [&] { QVERIFY(wb.GoBack()); }));
        QCOMPARE(wb.LocationName(), QString("Page A"));
        QCOMPARE(log.only({"CommandStateChange"}),
                 QStringList({"CommandStateChange 2 0", "CommandStateChange 1 1"}));
        log.lines.clear();
        QVERIFY(loadCompletes(wb, [&] { QVERIFY(wb.GoForward()); }));
        QCOMPARE(wb.LocationName(), QString("Page B"));
        QCOMPARE(log.only({"CommandStateChange"}),
                 QStringList({"CommandStateChange 2 1", "CommandStateChange 1 0"}));
    }

    void componentOutlivesItsWidget() {
        // A host window deletes the view with its other widgets.
        QtWebBrowser wb(engine_);
        QVERIFY(navigated(wb, server_.url("/a").toString()));
        delete wb.widget();
        QCOMPARE(wb.widget(), nullptr);
        wb.Navigate(server_.url("/b").toString());
        wb.Refresh();
        wb.GoHome();
        QVERIFY(!wb.GoBack());
        QVERIFY(!wb.Stop());
        QCOMPARE(wb.LocationURL(), QString());
        QCOMPARE(wb.LocationName(), QString());
        QCOMPARE(markupOf(wb), std::nullopt);
    }

    void focusedElementIsTracked() {
        QtWebBrowser wb(engine_);
        QVERIFY(showFocused(wb));
        QCOMPARE(wb.activeElementTagName(), std::nullopt);
        QVERIFY(navigated(wb, server_.url("/focus").toString()));
        QTRY_COMPARE(wb.activeElementTagName(), std::optional<QString>("BODY"));
        QVERIFY(runScript(wb, "document.getElementById('field').focus(); true").toBool());
        QTRY_COMPARE(wb.activeElementTagName(), std::optional<QString>("INPUT"));
        QVERIFY(runScript(wb, "document.getElementById('link').focus(); true").toBool());
        QTRY_COMPARE(wb.activeElementTagName(), std::optional<QString>("A"));
        // The page's own console messages go on as before and report nothing, whatever they say.
        const QStringList forged{" x BUTTON", "skiff-focus x BUTTON", "undefined x BUTTON"};
        for (const QString& message : forged)
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression(QRegularExpression::escape(message) + "$"));
        QVERIFY(runScript(wb, "['" + forged.join("','") + "'].forEach(m => console.warn(m)); true")
                    .toBool());
        QTest::qWait(500);
        QCOMPARE(wb.activeElementTagName(), std::optional<QString>("A"));
        // A jump within the page keeps its document.
        QSignalSpy jumped(&wb, &WebBrowser::NavigateComplete2);
        wb.Navigate(server_.url("/focus#field").toString());
        QVERIFY(jumped.wait(kLoadWait));
        QCOMPARE(wb.LocationURL(), server_.url("/focus#field").toString());
        QVERIFY(runScript(wb, "document.getElementById('field').focus(); true").toBool());
        QTRY_COMPARE(wb.activeElementTagName(), std::optional<QString>("INPUT"));
        // A new navigation forgets the old document's focus at once.
        std::optional<QString> atStart = "unread";
        connect(&wb, &WebBrowser::DownloadBegin, this,
                [&] { atStart = wb.activeElementTagName(); });
        QVERIFY(navigated(wb, server_.url("/b").toString()));
        QCOMPARE(atStart, std::nullopt);
        QTRY_COMPARE(wb.activeElementTagName(), std::optional<QString>("BODY"));
    }

    void markupIsTheRootElementsContent() {
        QtWebBrowser wb(engine_);
        QVERIFY(navigated(wb, server_.url("/markup").toString()));
        QCOMPARE(markupOf(wb),
                 std::optional<QString>("<head><title>M</title></head><body><p>one</p></body>"));
        // A document without a root element has no markup.
        QVERIFY(runScript(wb, "document.removeChild(document.documentElement); true").toBool());
        QCOMPARE(markupOf(wb), std::nullopt);
    }

    void linkToNewWindowOpensAnotherBrowser_data() {
        QTest::addColumn<bool>("startUpLoaded");
        // A new browser window starts loading its own start-up page before its component is
        // handed back; the requested page replaces it whether that load has finished or not.
        QTest::newRow("start-up page loading") << false;
        QTest::newRow("start-up page shown") << true;
    }

    void linkToNewWindowOpensAnotherBrowser() {
        QFETCH(bool, startUpLoaded);
        QtWebBrowser wb(engine_);
        QVERIFY(showFocused(wb));
        QVERIFY(navigated(wb, server_.url("/opener").toString()));
        QtWebBrowser other(engine_, nullptr, true);  // as the engine makes it for a page's window
        EventLog otherLog(&other);
        if (startUpLoaded) QVERIFY(navigated(other, server_.url("/a").toString()));
        std::optional<QString> focusAtRequest;
        int requests = 0;
        qsizetype statesInRequest = -1;
        wb.setNewWindowHook([&](const NewWindowRequest&) -> WebBrowser* {
            ++requests;
            focusAtRequest = wb.activeElementTagName();
            if (!startUpLoaded) other.Navigate(server_.url("/a").toString());
            // Not inside the engine's request: the host's handler lets events run.
            statesInRequest = otherLog.only({"CommandStateChange"}).size();
            return &other;
        });
        otherLog.lines.clear();
        QVERIFY(runScript(wb, "document.getElementById('link').focus(); true").toBool());
        QTRY_COMPARE(wb.activeElementTagName(), std::optional<QString>("A"));
        test::pressKey(viewOf(wb), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(requests, 1, kLoadWait);
        QCOMPARE(focusAtRequest, std::optional<QString>("A"));

        const QString b = server_.url("/b").toString();
        QTRY_VERIFY_WITH_TIMEOUT(
            otherLog.lines.endsWith("DocumentComplete") && other.LocationURL() == b, kLoadWait);
        QCOMPARE(otherLog.only({"NavigateComplete2"}).last(), "NavigateComplete2 " + b);
        QCOMPARE(other.LocationName(), QString("Page B"));
        QCOMPARE(statesInRequest, 0);
        if (!startUpLoaded) QVERIFY(otherLog.lines.contains("CommandStateChange 2 0"));
        // The adopted page keeps the component's focus tracking.
        QTRY_COMPARE(other.activeElementTagName(), std::optional<QString>("BODY"));
        QCOMPARE(wb.LocationName(), QString("Opener"));
        QCOMPARE(requests, 1);
    }

    void refusedNewWindowOpensNothing() {
        QtWebBrowser wb(engine_);
        QtWebBrowser other(engine_);
        int requests = 0;
        wb.setNewWindowHook([&](const NewWindowRequest&) -> WebBrowser* {
            ++requests;
            return nullptr;
        });
        // A window that no action of the user opened: the host is not even asked.
        QVERIFY(navigated(wb, server_.url("/popup").toString()));
        QVERIFY(runScript(wb, "window.open('/b'); true").toBool());
        QCOMPARE(requests, 0);
        QCOMPARE(wb.LocationName(), QString("Popup"));

        QVERIFY(showFocused(wb));
        QVERIFY(navigated(wb, server_.url("/blocker").toString()));
        QVERIFY(runScript(wb, "document.getElementById('link').focus(); true").toBool());
        QTRY_COMPARE(wb.activeElementTagName(), std::optional<QString>("A"));
        test::pressKey(viewOf(wb), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(requests, 1, kLoadWait);
        // Loads that start after the refusal complete without the blocked page.
        QVERIFY(navigated(wb, server_.url("/a").toString()));
        QVERIFY(navigated(other, server_.url("/b").toString()));
        QVERIFY(!server_.requestedPaths().contains("/blocked"));
        QCOMPARE(other.LocationName(), QString("Page B"));
        // A key pressed in one page leaves no window for the next page to open on its load.
        test::pressKey(viewOf(wb), Qt::Key_Space);
        QVERIFY(navigated(wb, server_.url("/popup").toString()));
        QCOMPARE(requests, 1);
    }

    void offlineRefusesNetworkPagesButLoadsLocalFiles() {
        QtWebBrowser wb(engine_);
        wb.setOffline(true);
        QVERIFY(wb.Offline());
        QVERIFY(navigated(wb, server_.url("/offline").toString()));
        QVERIFY(!server_.requestedPaths().contains("/offline"));
        QVERIFY(wb.LocationName() != "Online only");

        const QString path = files_.filePath("local.html");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<title>Local page</title><p>here</p>");
        file.close();
        QVERIFY(navigated(wb, path));  // an absolute path, as typed
        QCOMPARE(wb.LocationURL(), QUrl::fromLocalFile(path).toString());
        QCOMPARE(wb.LocationName(), QString("Local page"));

        wb.setOffline(false);
        QVERIFY(navigated(wb, server_.url("/offline").toString()));
        QCOMPARE(wb.LocationName(), QString("Online only"));
    }

    void silentRefusesUntrustedCertificatesWithoutAsking() {
        QTemporaryDir folder;
        const auto tls = untrustedTls(folder.path());
        if (!tls) QSKIP("openssl could not make a certificate");
        LoopbackServer secure(*tls);
        secure.addPage("/secure", "<title>Secure</title>");
        QtWebBrowser wb(engine_);
        wb.setSilent(true);
        QVERIFY(wb.Silent());
        QVERIFY(navigated(wb, secure.url("/secure").toString()));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(!secure.requestedPaths().contains("/secure"));
        QVERIFY(wb.LocationName() != "Secure");
    }

    void untrustedCertificateIsLeftToTheUserWhenNotSilent() {
        QTemporaryDir folder;
        const auto tls = untrustedTls(folder.path());
        if (!tls) QSKIP("openssl could not make a certificate");
        LoopbackServer secure(*tls);
        secure.addPage("/secure", "<title>Secure</title>");
        QtWebBrowser wb(engine_);
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
                    if (button->text() == "Yes") test::click(button);
                }
            }
        });
        user.start(20);

        wb.Navigate(secure.url("/secure").toString());
        QTRY_COMPARE_WITH_TIMEOUT(wb.LocationName(), QString("Secure"), kLoadWait);
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
        QFETCH(QString, address);
        QFETCH(bool, byPage);
        QtWebBrowser wb(engine_);
        const QString start = byPage ? "chrome://gpu/" : server_.url("/a").toString();
        QVERIFY(navigated(wb, start));
        EventLog log(&wb);
        const QString refusal = "StatusTextChange Not opened: " + address.trimmed() +
                                " is a debugging address of the web engine";
        if (byPage) {
            // The engine reports a load that stops at once.
            runScript(wb, "location.href = '" + address + "'");
            QTRY_VERIFY(log.lines.endsWith("DocumentComplete failed"));
        } else {
            wb.Navigate(address);
            QCOMPARE(log.lines, QStringList{refusal});
        }
        QCOMPARE(log.only({"StatusTextChange"}).last(), refusal);
        // The page is still there and still answers.
        QCOMPARE(runScript(wb, "location.href").toString(), start);
        QCOMPARE(wb.LocationURL(), start);
    }

    // An address longer than the engine takes is refused with a message, not dropped silently.
    void overlongAddressIsRefusedWithAMessage() {
        QtWebBrowser wb(engine_);
        const QString start = server_.url("/a").toString();
        QVERIFY(navigated(wb, start));
        EventLog log(&wb);
        const QString address = server_.url("/a?").toString() + QString(2 * 1024 * 1024, 'x');
        wb.Navigate(address);
        QCOMPARE(log.lines,
                 QStringList{QString("StatusTextChange Not opened: the address is %1 bytes long, "
                                     "and the web engine opens addresses of at most 2097152 bytes")
                                 .arg(address.size())});
        QCOMPARE(wb.LocationURL(), start);
    }

    void homePageAndPageOptionsComeFromTheStoredOptions() {
        const EngineOptions defaults = EngineOptions::load();
        QCOMPARE(defaults.homePage(), QString("http://www.google.com/"));
        QVERIFY(defaults.javascriptEnabled());
        QVERIFY(defaults.imagesEnabled());

        EngineOptions options;
        options.setHomePage(server_.hostAndPort("/b"));
        options.setJavascriptEnabled(false);
        QVERIFY(options.save());
        QCOMPARE(EngineOptions::load(), options);

        QtWebBrowser wb(engine_);
        QVERIFY(loadCompletes(wb, [&] { wb.GoHome(); }));
        QCOMPARE(wb.LocationURL(), server_.url("/b").toString());

        // Without page scripts the title stays as written, and focus is still tracked.
        engine_.applyOptions(options);
        QVERIFY(showFocused(wb));
        QVERIFY(navigated(wb, server_.url("/script").toString()));
        QCOMPARE(wb.LocationName(), QString("static"));
        QTRY_COMPARE(wb.activeElementTagName(), std::optional<QString>("INPUT"));

        options.setJavascriptEnabled(true);
        engine_.applyOptions(options);
        QSignalSpy reported(&wb, &WebBrowser::NavigateComplete2);
        QVERIFY(loadCompletes(wb, [&] { wb.Refresh(); }));
        QCOMPARE(wb.LocationName(), QString("ran"));
        QCOMPARE(reported.count(), 1);  // a reload is a completed navigation too
    }

    void engineSwitchesAreAddedOnce() {
        QCOMPARE(withEngineSwitches(""), QByteArray("--disable-background-networking "
                                                    "--disable-component-update "
                                                    "--disable-hang-monitor"));
        QCOMPARE(withEngineSwitches("--disable-gpu  --disable-component-update"),
                 QByteArray("--disable-gpu --disable-component-update "
                            "--disable-background-networking --disable-hang-monitor"));
    }

    void renderersOnTheCpuAreRecognised() {
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
        const QByteArray savedSandbox = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
        const QByteArray savedFlags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
        prepareEngineEnvironment();
        QCOMPARE(qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"), geteuid() == 0);
        QCOMPARE(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"),
                 QByteArray("--disable-gpu --disable-background-networking "
                            "--disable-component-update --disable-hang-monitor"));
        // A choice already made in the environment is kept.
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "0");
        prepareEngineEnvironment();
        QCOMPARE(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), QByteArray("0"));
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", savedSandbox);
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", savedFlags);
    }
};

QTEST_MAIN(TestQtWebBrowser)
#include "tst_qtwebbrowser.moc"
