// Ending and closing while a question is open: the signal a logout sends while a dialog shows,
// a page that asks before its window closes, and a window a script opened, writes into and
// closes. The built skiff runs on an X server of the test's own and gets real key presses and
// clicks; the test watches window names and files only.

#include <QtTest>
#include <functional>
#include <memory>

#include "e2e/journey.h"
#include "support/loopbackserver.h"

using namespace skiff::e2e;
using skiff::test::LoopbackServer;

namespace {

const QString kLeave = "Leave Page";

QByteArray page(const QByteArray& title, const QByteArray& body) {
    return "<html><head><title>" + title + "</title></head><body style='margin:0'>" + body +
           "</body></html>";
}

// A control that fills the page, so that a click anywhere in the view reaches it.
QByteArray wholePage(const QByteArray& tag, const QByteArray& attributes = {}) {
    return "<" + tag + " style='position:fixed;top:0;left:0;width:100%;height:100%' " + attributes +
           ">";
}

// The ways to a dialog that the quit signal meets.
enum class Dialog { SaveFile, QuitDuringDownload, LeavePage, SavePageAs, Print };

}  // namespace

Q_DECLARE_METATYPE(Dialog)

class E2EQuitting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { QVERIFY(endSkiff(m_x, m_skiff)); }

    void quitSignalWhileADialogShows_data();
    void quitSignalWhileADialogShows();
    void windowStaysWhileItsPageAsks();
    void windowAScriptOpenedClosesItself_data();
    void windowAScriptOpenedClosesItself();

private:
    // Starts skiff on `addresses`, and finds the window whose page is titled `title`; false
    // when it did not come or take the keys.
    bool start(const QStringList& addresses, const QString& title);
    // Types into the text field that fills the page.
    void typeIntoPage();
    // Opens `dialog` by the user's own steps; its caption, or nothing when it did not show.
    QString open(Dialog dialog);
    QString downloads() const { return m_skiff->homeDir() + "/Downloads"; }
    // What must NOT happen (a window going, the program ending) is given this long to happen.
    static void giveTimeToHappen() { QTest::qWait(1500); }

    XSession m_x;
    LoopbackServer m_server;
    std::unique_ptr<SkiffProcess> m_skiff;
    std::unique_ptr<BrowserWindow> m_browser;
};

void E2EQuitting::initTestCase() {
    QVERIFY2(m_x.start(), qPrintable(m_x.error()));
    QDir().mkpath(SKIFF_E2E_OUTPUT);
    m_server.addPage("/start.html", page("Start", "<p>The start-up page.</p>"));
    m_server.addPage("/file.html", page("File", wholePage("a", "href='/held'") + "File</a>"));
    // The server sends a tenth of the file and then holds the connection: the download runs.
    m_server.addDownload("/held", "held.bin", QByteArray(1000000, 'x'));
    m_server.stallAfter("/held", 100000);
    m_server.addPage(
        "/form.html",
        page("Form", wholePage("input") + "<script>onbeforeunload = function (e) {"
                                          "  e.preventDefault(); e.returnValue = ''; };</script>"));
    // The button opens a window whose own button closes it; on the blank page, the opener
    // writes a page with that button into the blank window it opened.
    const QByteArray closer = "<title>Closer</title>" +
                              wholePage("button", "onclick='window.close()'") + "Close</button>";
    m_server.addPage("/closer.html", closer);
    m_server.addPage("/opener.html",
                     page("Opener", wholePage("button", "onclick=\"window.open('/closer.html')\"") +
                                        "Open</button>"));
    m_server.addPage(
        "/blank.html",
        page("Blank", wholePage("button",
                                "onclick=\"var w = window.open('about:blank');"
                                "w.document.write(document.getElementById('t').text);"
                                "w.document.close()\"") +
                          "Open</button><script type='text/plain' id='t'>" + closer + "</script>"));
}

bool E2EQuitting::start(const QStringList& addresses, const QString& title) {
    m_skiff = std::make_unique<SkiffProcess>(m_x, m_server.port());
    m_skiff->setSetting("Settings/Start-Up Page", "http://pages.test/start.html");
    m_browser = openBrowser(m_x, *m_skiff, title, addresses);
    return !QTest::currentTestFailed() && m_x.waitForActive(m_browser->window());
}

void E2EQuitting::typeIntoPage() {
    m_x.click(m_browser->webView().center());
    QVERIFY(m_x.typeText("typed"));
    QCOMPARE(m_x.selectAllAndCopy().value_or("(nothing copied)"), QString("typed"));
}

QString E2EQuitting::open(Dialog dialog) {
    const auto shows = [this](const QString& caption) {
        const TopLevel shown = m_x.waitForClient(caption);
        return shown.isValid() && m_x.waitForActive(shown) ? caption : QString();
    };
    switch (dialog) {
        case Dialog::SaveFile:
            m_x.click(m_browser->webView().center());
            return shows("Save File");
        case Dialog::QuitDuringDownload:
            m_x.click(m_browser->webView().center());
            if (shows("Save File").isEmpty()) return {};
            m_x.key("Return");
            if (!m_x.waitForClient("Download").isValid()) return {};
            m_x.click(m_browser->addressBox().center());
            m_x.key("q", Ctrl);
            return shows("Downloads");
        case Dialog::LeavePage:
            typeIntoPage();
            m_x.key("w", Ctrl);
            return shows(kLeave);
        case Dialog::SavePageAs:
            m_browser->chooseMenu(BrowserWindow::Tools, 4);
            return shows("Save Page As");
        case Dialog::Print:
            m_browser->chooseMenu(BrowserWindow::Tools, 3);
            return shows("Print");
    }
    return {};
}

void E2EQuitting::quitSignalWhileADialogShows_data() {
    QTest::addColumn<Dialog>("dialog");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("title");
    QTest::newRow("Save File of a download") << Dialog::SaveFile << "pages.test/file.html"
                                             << "File";
    QTest::newRow("quitting during a download")
        << Dialog::QuitDuringDownload << "pages.test/file.html"
        << "File";
    QTest::newRow("Leave Page") << Dialog::LeavePage << "pages.test/form.html"
                                << "Form";
    QTest::newRow("Save Page As") << Dialog::SavePageAs << "pages.test/start.html"
                                  << "Start";
    QTest::newRow("Print") << Dialog::Print << "pages.test/start.html"
                           << "Start";
}

// A logout sends SIGTERM whatever dialog is open: the program ends at once with status 0,
// asking nothing, and a download under way leaves no partial file behind.
void E2EQuitting::quitSignalWhileADialogShows() {
    QFETCH(Dialog, dialog);
    QFETCH(QString, address);
    QFETCH(QString, title);
    QVERIFY(start({address}, title));
    const QString caption = open(dialog);
    QVERIFY2(!caption.isEmpty(), QTest::currentDataTag());
    m_skiff->terminate();
    QVERIFY(m_skiff->waitForExit());
    QVERIFY2(m_skiff->exitedNormally(), qPrintable(m_skiff->output()));
    QCOMPARE(m_skiff->exitCode(), 0);
    QCOMPARE(QDir(downloads()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// A page that asks before it is left keeps its window on the screen while it asks, whether the
// close box or Close Window closes it: Stay keeps the window, Leave closes it.
void E2EQuitting::windowStaysWhileItsPageAsks() {
    QVERIFY(start({"pages.test/form.html"}, "Form"));
    typeIntoPage();
    const TopLevel window = m_browser->window();
    const auto ask = [&](const std::function<void()>& close) {
        close();
        const TopLevel question = m_x.waitForClient(kLeave);
        QVERIFY(question.isValid());
        QVERIFY(m_x.waitForActive(question));
        giveTimeToHappen();
        QVERIFY(m_x.refreshed(window).isValid());
        QVERIFY(m_x.client(kLeave).isValid());
    };
    ask([&] { QVERIFY(!m_x.closeByCloseBox(window, 1000)); });
    m_x.key("Escape");  // Stay
    QVERIFY(m_x.waitForNoClient(kLeave));
    giveTimeToHappen();
    QVERIFY(m_x.refreshed(window).isValid());

    m_x.click(m_browser->webView().center());
    QVERIFY(m_x.waitForActive(window));
    ask([&] { m_x.key("w", Ctrl); });
    m_x.key("Tab", Shift);  // Leave is the button before Stay
    m_x.key("space");
    QVERIFY(m_skiff->waitForExit());
    QCOMPARE(m_skiff->exitCode(), 0);
}

// A window a script opened closes by its own script, as its close box would: the first
// window goes with it, the opener's further window stays. On a blank page, the window shows what
// its opener wrote into it, not the start-up page.
void E2EQuitting::windowAScriptOpenedClosesItself_data() {
    QTest::addColumn<QString>("opener");
    QTest::newRow("page") << "Opener";
    QTest::newRow("blank page written into") << "Blank";
}
void E2EQuitting::windowAScriptOpenedClosesItself() {
    QFETCH(QString, opener);
    if (opener == "Blank" && !SkiffProcess::onWebKit())
        QSKIP(
            "Qt WebEngine 6.4 ends the program inside the engine (SIGSEGV) when a page writes "
            "into a blank window it opened");
    QVERIFY(start({"pages.test/start.html", "pages.test/" + opener.toLower() + ".html"}, opener));
    m_x.click(m_browser->webView().center());
    const TopLevel closer = m_x.waitForClient("Closer");
    QVERIFY(closer.isValid());
    giveTimeToHappen();
    QCOMPARE(m_x.refreshed(closer).name, QString("Closer"));

    QVERIFY(m_x.waitForActive(closer));
    m_x.click(closer.client.center());
    QVERIFY(m_x.waitForNoClient("Closer"));
    QVERIFY(m_x.waitForNoClient("Start"));
    giveTimeToHappen();
    QVERIFY(m_skiff->isRunning());
    QVERIFY(m_x.refreshed(m_browser->window()).isValid());
}

QTEST_GUILESS_MAIN(E2EQuitting)
#include "tst_e2e_quitting.moc"
