// Pages that try to keep the user: dialogs without end, a question before leaving, a click
// that opens many windows. The built skiff runs on an X server of the test's own and gets
// real key presses and clicks; the test watches window names only.

#include <QtTest>
#include <memory>

#include "e2e/browserwindow.h"
#include "e2e/journey.h"
#include "e2e/skiffprocess.h"
#include "e2e/xsession.h"
#include "support/loopbackserver.h"

using namespace skiff::e2e;
using skiff::test::LoopbackServer;

namespace {

QByteArray page(const QByteArray& title, const QByteArray& body = "<p>Some text.</p>") {
    return "<html><head><title>" + title + "</title></head><body style='margin:0'>" + body +
           "</body></html>";
}

const QString kDialog = "pages.test says";
const QString kLeave = "Leave Page";

struct FieldPage {
    QByteArray name;
    QColor colour;
};
const FieldPage kFieldPages[] = {{"Fresh", QColor(0x33, 0xcc, 0x99)},
                                 {"Next", QColor(0x33, 0x99, 0xcc)}};

}  // namespace

class E2EPages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void alertsAndWindowsWithoutEnd();
    void leavingAPageWithTypedText();
    void dialogOfAFrameNamesItsSite();
    void windowOfADataAddressIsRefused();
    void firstClickAndKeysOnAPageJustShown();
    void pageThatDoesNotAnswer();

private:
    bool start(const QStringList& addresses);
    // Starts the program on `address` and returns its window named `title`, located and active.
    BrowserWindow* open(const QString& address, const QString& title);
    // Waits for a page dialog other than the window `previous` and for it to have the keys.
    TopLevel nextDialog(unsigned long previous = 0);
    // What must NOT happen (a dialog or window showing, the program ending) is given this
    // long to happen.
    static void giveTimeToHappen() { QTest::qWait(1500); }

    XSession m_x;
    LoopbackServer m_server;
    std::unique_ptr<SkiffProcess> m_skiff;
    std::unique_ptr<BrowserWindow> m_browser;
};

void E2EPages::initTestCase() {
    QVERIFY2(m_x.start(), qPrintable(m_x.error()));
    QDir().mkpath(SKIFF_E2E_OUTPUT);
    m_server.addPage("/loop.html", page("Loop",
                                        "<script>setTimeout(function () {"
                                        "  for (;;) alert('Again');"
                                        "}, 200);</script>"));
    m_server.addPage("/other.html", page("Other"));
    m_server.addPage(
        "/busy.html",
        page("Busy", "<script>setTimeout(function () { for (;;) {} }, 300);</script>"));
    m_server.addPage(
        "/form.html",
        page("Form",
             "<input style='position:fixed;top:0;left:0;width:100%;height:100%'><script>"
             // A handler that takes its time, as on a slow machine: it is asked all the same.
             "onbeforeunload = function (e) {"
             "  for (var t = Date.now(); Date.now() - t < 1500;) {}"
             "  e.preventDefault();"
             "  e.returnValue = ''; };</script>"));
    m_server.addPage(
        "/many.html",
        page("Many",
             "<button style='position:fixed;top:0;left:0;width:100%;height:100%' onclick='"
             "for (var i = 0; i < 30; ++i) window.open(\"/second.html\")'>"
             "Open</button>"));
    m_server.addPage("/second.html", page("Second"));
    m_server.addPage("/framed.html",
                     page("Framed",
                          "<iframe src='http://frame.test:8081/frame.html?key=secret'>"
                          "</iframe>"));
    m_server.addPage(
        "/opendata.html",
        page("Opens data",
             "<button style='position:fixed;top:0;left:0;width:100%;height:100%' onclick='"
             "document.title=\"Clicked\"; "
             "window.open(\"data:text/html,<title>Data page</title>Made up\")'>Open</button>"));
    m_server.addPage("/frame.html", page("Frame", "<script>alert('Hello')</script>"));
    // Pages in one colour each, all text field, that name in their title the last press of the
    // mouse and what was typed.
    for (const auto& [name, colour] : kFieldPages)
        m_server.addPage("/" + name.toLower() + ".html",
                         page(name,
                              "<input style='position:fixed;top:0;left:0;width:100%;height:100%;"
                              "border:0;background:" +
                                  colour.name().toLatin1() +
                                  "' onmousedown='document.title=\"Pressed\"' "
                                  "oninput='document.title=this.value'>"));
}

void E2EPages::cleanup() {
    if (QTest::currentTestFailed()) reportFailure(m_x, m_skiff.get());
    m_browser.reset();
    m_skiff.reset();
    QVERIFY(waitFor([this] { return m_x.clients().isEmpty(); }));
}

bool E2EPages::start(const QStringList& addresses) {
    m_skiff = std::make_unique<SkiffProcess>(m_x, m_server.port());
    return m_skiff->start(addresses);
}

BrowserWindow* E2EPages::open(const QString& address, const QString& title) {
    m_skiff = std::make_unique<SkiffProcess>(m_x, m_server.port());
    m_browser = openBrowser(m_x, *m_skiff, title, {address});
    if (QTest::currentTestFailed() || !m_x.waitForActive(m_browser->window())) return nullptr;
    return m_browser.get();
}

TopLevel E2EPages::nextDialog(unsigned long previous) {
    const TopLevel dialog =
        m_x.waitForClient([&](const TopLevel& w) { return w.name == kDialog && w.id != previous; });
    if (dialog.isValid()) m_x.waitForActive(dialog);
    return dialog;
}

// A page that alerts without end blocks its own window only; from its second dialog on the
// user may stop its dialogs. A button that asks for thirty windows opens one per click. A window
// closes by its close box, dialog or not, and takes the first window with it.
void E2EPages::alertsAndWindowsWithoutEnd() {
    QVERIFY(start({"pages.test/loop.html", "pages.test/other.html"}));
    TopLevel dialog = nextDialog();
    QVERIFY(dialog.isValid());
    QVERIFY(!m_x.clients().isEmpty());

    // The other window takes input meanwhile. (Its page loads only once the dialog is
    // answered: the engine waits for that answer.)
    BrowserWindow other(m_x, m_x.waitForClient("Other"));
    QVERIFY(other.locate());
    m_x.click(other.addressBox().center());
    QVERIFY(m_x.waitForActive(other.window()));
    m_x.key("a", Ctrl);
    QVERIFY(m_x.typeText("pages.test/many.html"));
    QCOMPARE(m_x.selectAllAndCopy().value_or("(nothing copied)"), QString("pages.test/many.html"));

    // The first dialog has OK alone; the next one offers to stop the page's dialogs: Shift+Tab
    // goes from OK to that box, Space ticks it, Enter answers OK.
    m_x.key("Tab", Alt);  // back to the window that had the keys before, the dialog
    QVERIFY(m_x.waitForActive(dialog));
    m_x.key("Return");
    dialog = nextDialog(dialog.id);
    QVERIFY(dialog.isValid());
    m_x.key("Tab", Shift);
    m_x.key("space");
    m_x.key("Return");
    QVERIFY(m_x.waitForNoClient(kDialog));
    giveTimeToHappen();
    QVERIFY(!m_x.client(kDialog).isValid());
    m_x.click(other.addressBox().center());
    QVERIFY(m_x.waitForActive(other.window()));
    m_x.key("Return");
    QVERIFY(m_x.waitForClient("Many").isValid());

    // One click on the button opens one window; its close box closes it and the first window,
    // whose page's script still runs.
    QVERIFY(other.locate());
    m_x.click(other.addressBox().center());
    QVERIFY(m_x.waitForActive(other.window()));
    m_x.click(other.webView().center());
    const TopLevel second = m_x.waitForClient("Second");
    QVERIFY(second.isValid());
    giveTimeToHappen();
    QCOMPARE(m_x.clients().size(), 3);
    QVERIFY(m_x.closeByCloseBox(second));
    QVERIFY(m_x.waitForNoClient("Loop"));
    QVERIFY(m_skiff->isRunning());

    // The page that alerts in the other window: its close box closes it past the dialog, and
    // the program ends.
    m_x.click(other.addressBox().center());
    QVERIFY(m_x.waitForActive(other.window()));
    m_x.key("a", Ctrl);
    QVERIFY(m_x.typeText("pages.test/loop.html\n"));
    QVERIFY(nextDialog().isValid());
    QVERIFY(m_x.closeByCloseBox(other.window()));
    QVERIFY(m_skiff->waitForExit());
    QCOMPARE(m_skiff->exitCode(), 0);
}

// A page that asks before it is left is asked by every way of closing: the close box, Quit and
// Close Window. Staying keeps the page with its text; leaving closes it.
void E2EPages::leavingAPageWithTypedText() {
    QVERIFY(start({"pages.test/form.html"}));
    const TopLevel window = m_x.waitForClient("Form", 60000);
    QVERIFY(window.isValid());
    BrowserWindow form(m_x, window);
    QVERIFY(form.locate());
    QVERIFY(m_x.waitForActive(window));
    m_x.click(form.webView().center());
    QVERIFY(m_x.waitForActive(window));
    QVERIFY(m_x.typeText("typed"));
    QCOMPARE(m_x.selectAllAndCopy().value_or("(nothing copied)"), QString("typed"));

    const auto stay = [this](const std::function<void()>& close) {
        close();
        const TopLevel question = m_x.waitForClient(kLeave);
        QVERIFY(question.isValid());
        QVERIFY(m_x.waitForActive(question));
        m_x.key("Escape");
        QVERIFY(m_x.waitForNoClient(kLeave));
    };
    stay([&] { QVERIFY(!m_x.closeByCloseBox(window, 1000)); });
    stay([&] { m_x.key("q", Ctrl); });
    giveTimeToHappen();
    QVERIFY(m_x.refreshed(window).isValid());
    QVERIFY(m_skiff->isRunning());
    m_x.click(form.webView().center());
    QCOMPARE(m_x.selectAllAndCopy().value_or("(nothing copied)"), QString("typed"));

    // Close Window; Leave is the button before Stay.
    m_x.key("w", Ctrl);
    QVERIFY(m_x.waitForActive(m_x.waitForClient(kLeave)));
    m_x.key("Tab", Shift);
    m_x.key("space");
    QVERIFY(m_skiff->waitForExit());
    QCOMPARE(m_skiff->exitCode(), 0);
}

// A dialog that a frame of another site shows names that site, as scheme, host and port tell
// it apart, and no more of the frame's address; the page around it is not named.
void E2EPages::dialogOfAFrameNamesItsSite() {
    QVERIFY(start({"pages.test/framed.html"}));
    const TopLevel dialog = m_x.waitForClient("frame.test:8081 says", 60000);
    QVERIFY(dialog.isValid());
    QVERIFY(!m_x.client(kDialog).isValid());
    QVERIFY(m_x.waitForActive(dialog));
    m_x.key("Return");
    QVERIFY(m_x.waitForNoClient(dialog.name));
    giveTimeToHappen();
    QVERIFY(m_x.clients().size() == 1);
    QVERIFY(m_x.closeByCloseBox(m_x.waitForClient("Framed")));
    QVERIFY(m_skiff->waitForExit());
}

// A page's window for a data: address is refused, as links and scripts sending the page itself
// there are: such a page would show made-up content under no site's name. No window opens.
void E2EPages::windowOfADataAddressIsRefused() {
    BrowserWindow* opener = open("pages.test/opendata.html", "Opens data");
    QVERIFY(opener);
    m_x.click(opener->webView().center());
    QVERIFY(m_x.waitForClient("Clicked").isValid());
    giveTimeToHappen();
    QCOMPARE(m_x.clients().size(), 1);
    QVERIFY(m_x.closeByCloseBox(m_x.refreshed(opener->window())));
    QVERIFY(m_skiff->waitForExit());
}

// The first click and keys on a page reach it, sent once each as soon as the page's window or
// caption shows (a person does not wait for the engine's first picture of the page): in a new
// window, and after a navigation to the next page.
void E2EPages::firstClickAndKeysOnAPageJustShown() {
    BrowserWindow* opened = open("pages.test/fresh.html", "Fresh");
    QVERIFY(opened);
    const BrowserWindow& fresh = *opened;
    const auto title = [&] { return m_x.refreshed(fresh.window()).name; };
    const auto clickAndType = [&](const FieldPage& page, const QString& text) {
        m_x.click(fresh.webView().center());
        QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Pressed"), kWaitMs);
        QVERIFY(m_x.typeText(text));
        QTRY_COMPARE_WITH_TIMEOUT(title(), text, kWaitMs);
        // The page shows in its own colour.
        QCOMPARE(m_x.pixel(fresh.webView().center()), page.colour);
    };
    clickAndType(kFieldPages[0], "first");
    if (QTest::currentTestFailed()) return;

    m_x.click(fresh.addressBox().center());
    QVERIFY(m_x.key("a", Ctrl));
    QVERIFY(m_x.typeText("pages.test/next.html\n"));
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Next"), kWaitMs);
    clickAndType(kFieldPages[1], "next");
}

// A page whose script runs without end keeps its window neither from loading it again nor from
// the next address typed.
void E2EPages::pageThatDoesNotAnswer() {
    BrowserWindow* opened = open("pages.test/busy.html", "Busy");
    QVERIFY(opened);
    const BrowserWindow& busy = *opened;
    giveTimeToHappen();  // the page's script has started its endless loop
    const auto loads = [this] {
        return m_server.requestedTargets().count("http://pages.test/busy.html");
    };
    QCOMPARE(loads(), 1);
    m_x.click(busy.refresh().center());
    QTRY_COMPARE_WITH_TIMEOUT(loads(), 2, kWaitMs);
    giveTimeToHappen();

    m_x.click(busy.addressBox().center());
    QVERIFY(m_x.key("a", Ctrl));
    QVERIFY(m_x.typeText("pages.test/other.html\n"));
    QVERIFY(m_x.waitForClient("Other").isValid());
    QVERIFY(m_x.closeByCloseBox(m_x.refreshed(busy.window())));
    QVERIFY(m_skiff->waitForExit());
}

QTEST_GUILESS_MAIN(E2EPages)
#include "tst_e2e_pages.moc"
