// The browser window, driven from outside as a person drives it: the built skiff runs on an
// X server of the test's own, gets real key presses and pointer clicks, and is watched only
// through window names, screen pixels, the clipboard and the requests its engine sends to the
// test's proxy.

#include <QtTest>
#include <memory>

#include "e2e/buttoncells.h"
#include "e2e/journey.h"
#include "support/loopbackserver.h"

using namespace skiff::e2e;
using skiff::test::LoopbackServer;

namespace {

// Pages of made-up hosts: every request goes to the test's proxy, which answers by path.
const QString kStart = "http://pages.test/start.html";
const QString kHome = "http://pages.test/home.html";

QByteArray page(const QByteArray& title, const QByteArray& body = "<p>Some text.</p>") {
    return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

}  // namespace

class E2EBrowser : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { QVERIFY(endSkiff(m_x, m_skiff)); }

    void addressAndSearchBoxesByKeys();
    void backAndForwardButtons();
    void buttonUnderThePointer();
    void everyMenuEntryByMouse();
    void linkToNewWindowAndClosing();
    void debuggingAddressesLeaveTheBrowserRunning();
    void commandLine();
    void keys();
    void pageGetsKeysFirst();
    void focusAndTextFields();
    void undoInAFrameUnlessThePageTakesTheKey();

private:
    // Starts skiff with `startPage` stored as its start-up page and returns its window, once
    // it shows the page named `title`.
    BrowserWindow& startSkiff(const QString& startPage, const QString& title);
    // The window's caption now.
    QString title() const { return m_x.refreshed(m_browser->window()).name; }
    // Types `text` into the address box in place of what it held.
    void typeIntoAddressBox(const QString& text);
    // The whole text of the address box, read with a click into it, Ctrl+A and Ctrl+C.
    QString addressBoxText();
    // What Ctrl+C copies in the focused box, and the same after Ctrl+A.
    QString copySelection() { return m_x.copySelection().value_or("(nothing copied)"); }
    QString selectAllAndCopy() { return m_x.selectAllAndCopy().value_or("(nothing copied)"); }
    // The requests of this journey's program.
    QStringList requests() const { return m_server.requestedTargets().mid(m_firstRequest); }
    int requestsFor(const QString& target) const { return int(requests().count(target)); }
    // Gives a wrong reaction (a navigation that should not start) the time to show before a
    // check that nothing happened.
    static void settle() { QTest::qWait(1500); }
    // Clicks into the page and gives the engine the moment it takes to hand the page the keys.
    void focusPage();
    // The find bar shows over the page: its buttons are the only blue frames there.
    bool findBarShown() const;

    XSession m_x;
    LoopbackServer m_server;
    std::unique_ptr<SkiffProcess> m_skiff;
    std::unique_ptr<BrowserWindow> m_browser;
    qsizetype m_firstRequest = 0;
};

void E2EBrowser::initTestCase() {
    QVERIFY2(m_x.start(), qPrintable(m_x.error()));
    QDir().mkpath(SKIFF_E2E_OUTPUT);
    m_server.addPage("/start.html", page("Start"));
    m_server.addPage("/home.html", page("Home Page"));
    m_server.addPage("/a.html", page("Page A"));
    m_server.addPage("/b.html", page("Page B"));
    m_server.addPage("/search", page("Found"));
    m_server.addPage("/slow.html", page("Slow", QByteArray(100000, ' ')));
    m_server.stallAfter("/slow.html", 1000);
    m_server.addPage("/opener.html",
                     page("Opener",
                          "<a href='/second.html' target='_blank' style='display:block;"
                          "position:fixed;top:0;left:0;right:0;bottom:0'>Open</a><script>"
                          "window.open('/second.html');"
                          "setTimeout(function () { window.open('/second.html'); }, 300);"
                          "</script>"));
    m_server.addPage("/second.html", page("Second"));
    m_server.addPage("/zoom.html",
                     page("Zoom", "<div style='width:100px;height:100px;background:#f00'></div>"));
    // Writes every key it gets into its title; it uses Escape, Ctrl+S and Ctrl+L itself.
    m_server.addPage("/keys.html",
                     "<html><head><title>Keys</title><script>"
                     "document.addEventListener('keydown', function (e) {"
                     "  if (['Control', 'Shift', 'Alt'].includes(e.key)) return;"
                     "  var name = (e.ctrlKey ? 'Ctrl+' : '') + e.key;"
                     "  if (['Escape', 'Ctrl+s', 'Ctrl+l'].includes(name)) e.preventDefault();"
                     "  document.title += ' ' + name;"
                     "});</script></head><body style='height:100vh'></body></html>");
    // Two borderless fields on white, 60 pixels high, one under the other: the caret is the
    // only dark thing in an empty one. The title names the field with the focus.
    m_server.addPage("/fields.html",
                     "<html><head><title>Fields</title><style>body{margin:0;background:#fff}"
                     "input{display:block;box-sizing:border-box;width:100%;height:60px;border:0;"
                     "outline:0;margin-bottom:40px;font-size:30px;background:#fff;color:#000}"
                     "</style></head><body><input id='first'><input id='second'><script>"
                     "var focused = 'none';"
                     "for (const field of document.querySelectorAll('input')) {"
                     "  const report = function (id) {"
                     "    focused = id;"
                     "    setTimeout(function () { document.title = 'Fields ' + focused; });"
                     "  };"
                     "  field.onfocus = function () { report(field.id); };"
                     "  field.onblur = function () { report('none'); };"
                     "}</script></body></html>");
    // A field in a frame, and one of the page's own that takes Ctrl+Z itself.
    const QByteArray field = "display:block;width:100%;height:200px;border:0;font-size:30px";
    m_server.addPage("/undoframe.html", "<input style='" + field + "'>");
    // Its window takes the page's name once the frame has loaded.
    m_server.addPage("/undo.html",
                     "<title>Frame loading</title><body style='margin:0'><iframe "
                     "src='/undoframe.html' onload=\"document.title='Undo'\" style='" +
                         field + "'></iframe><input id='own' style='" + field +
                         "'><script>own.onkeydown = (e) => { if (e.ctrlKey && e.key == 'z') {"
                         " e.preventDefault(); document.title = 'Took ' + own.value; } };"
                         "</script></body>");
}

BrowserWindow& E2EBrowser::startSkiff(const QString& startPage, const QString& title) {
    m_firstRequest = m_server.requestedTargets().size();
    m_skiff = std::make_unique<SkiffProcess>(m_x, m_server.port());
    m_skiff->setSetting("Settings/Start-Up Page", startPage);
    m_skiff->setSetting("Internet Options/Home Page", kHome);
    m_browser = openBrowser(m_x, *m_skiff, title);
    return *m_browser;
}

void E2EBrowser::typeIntoAddressBox(const QString& text) {
    // The box is refilled when a navigation completes, which can come just after the caption
    // changed: typing that met the refill is typed again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_x.click(m_browser->addressBox().center());
        QVERIFY(m_x.waitForActive(m_browser->window()));
        m_x.key("a", Ctrl);
        if (text.isEmpty()) m_x.key("BackSpace");
        QVERIFY(m_x.typeText(text));
        if (m_x.selectAllAndCopy(1000).value_or("") == text) return;
    }
    QFAIL(qPrintable("Cannot type into the address box: " + text));
}

void E2EBrowser::focusPage() {
    m_x.click(m_browser->webView().center());
    QVERIFY(m_x.waitForActive(m_browser->window()));
}

bool E2EBrowser::findBarShown() const {
    const QImage web = m_x.grab(m_browser->webView());
    for (int y = 0; y < web.height(); ++y) {
        for (int x = 0; x < web.width(); ++x) {
            if ((web.pixel(x, y) & 0xFFFFFF) == 0x003C74) return true;
        }
    }
    return false;
}

QString E2EBrowser::addressBoxText() {
    m_x.click(m_browser->addressBox().center());
    // Short, so that a waiting check tries again soon: a completed navigation refills the box
    // (and drops its selection) a moment after the caption shows the new page.
    return m_x.selectAllAndCopy(2000).value_or("(nothing copied)");
}

void E2EBrowser::addressAndSearchBoxesByKeys() {
    BrowserWindow& b = startSkiff(kStart, "Start");
    if (QTest::currentTestFailed()) return;

    // A bare host name and Enter: the page loads, and the box then holds its final address.
    typeIntoAddressBox("pages.test/a.html");
    m_x.key("Return");
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Page A"), kWaitMs);
    QCOMPARE(requestsFor("http://pages.test/a.html"), 1);
    QTRY_COMPARE_WITH_TIMEOUT(addressBoxText(), QString("http://pages.test/a.html"), kWaitMs);

    // A secure address goes to the engine as typed (it asks the proxy for a tunnel, which is
    // held unanswered); the box shows it behind "http://", all of it selected.
    typeIntoAddressBox("https://pages.test/secure.html");
    m_x.key("Return");
    QTRY_VERIFY_WITH_TIMEOUT(requests().contains("pages.test:443"), kWaitMs);
    QCOMPARE(copySelection(), QString("http://https://pages.test/secure.html"));
    QCOMPARE(selectAllAndCopy(), QString("http://https://pages.test/secure.html"));
    for (const QString& target : requests()) QVERIFY(!target.contains("https/"));

    // An empty box and Enter: no navigation, "http://" in the box, all of it selected.
    typeIntoAddressBox("");
    const qsizetype requestsBefore = requests().size();
    m_x.key("Return");
    QCOMPARE(copySelection(), QString("http://"));
    QCOMPARE(selectAllAndCopy(), QString("http://"));
    settle();
    QCOMPARE(requests().size(), requestsBefore);
    QCOMPARE(title(), QString("Page A"));

    // GO! clicked with the mouse navigates the box's text.
    typeIntoAddressBox("pages.test/b.html");
    m_x.click(b.go().center());
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Page B"), kWaitMs);
    QCOMPARE(requestsFor("http://pages.test/b.html"), 1);
    QTRY_COMPARE_WITH_TIMEOUT(addressBoxText(), QString("http://pages.test/b.html"), kWaitMs);

    // The search box: its hint goes when it gets the focus; Enter searches for the words,
    // form-encoded into the search address.
    m_x.click(b.searchBox().center());
    QVERIFY(m_x.waitForActive(b.window()));
    QTest::qWait(300);  // the hint goes when the box gets the focus, before the first key
    QVERIFY(m_x.typeText("fish & chips c++"));
    QCOMPARE(selectAllAndCopy(), QString("fish & chips c++"));
    m_x.key("Return");
    const QString search =
        "http://www.google.com/search?hl=en&q=fish+%26+chips+c%2B%2B"
        "&btnG=Google+Search";
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Found"), kWaitMs);
    QCOMPARE(requestsFor(search), 1);
    QTRY_COMPARE_WITH_TIMEOUT(addressBoxText(), search, kWaitMs);  // in the list now

    // The list of visited addresses, newest first (search, B, A, Start), opened from the
    // keyboard: choosing an entry puts it into the box and goes nowhere.
    const auto chooseFromList = [this](const QString& openingKey, int modifiers, int downs) {
        m_x.click(m_browser->addressBox().center());
        const QList<QRect> before = m_x.popups();
        m_x.key(openingKey, modifiers);
        QVERIFY(!m_x.waitForNewPopup(before).isEmpty());
        for (int i = 0; i < downs; ++i) m_x.key("Down");
        m_x.key("Return");
        QVERIFY(waitFor([&] { return m_x.popups() == before; }));
    };
    chooseFromList("F4", NoModifier, 1);  // the list opens on the box's entry, the newest
    QCOMPARE(addressBoxText(), QString("http://pages.test/b.html"));
    chooseFromList("Down", Alt, 1);  // now on B
    QCOMPARE(addressBoxText(), QString("http://pages.test/a.html"));
    settle();
    QCOMPARE(title(), QString("Found"));
    QCOMPARE(requestsFor("http://pages.test/a.html"), 1);
    QCOMPARE(requestsFor("http://pages.test/b.html"), 1);
}

void E2EBrowser::backAndForwardButtons() {
    BrowserWindow& b = startSkiff(kStart, "Start");
    if (QTest::currentTestFailed()) return;
    const QPoint away = b.webView().center();

    // Nothing to go back or forward to.
    QVERIFY(waitForCell(m_x, b.back(), DisabledCell));
    QVERIFY(waitForCell(m_x, b.forward(), DisabledCell));

    for (const char* name : {"a", "b"}) {
        typeIntoAddressBox(QString("pages.test/%1.html").arg(name));
        m_x.click(b.go().center());
        QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Page %1").arg(QChar(name[0]).toUpper()),
                                  kWaitMs);
    }
    m_x.movePointer(away);
    QVERIFY(waitForCell(m_x, b.back(), NormalCell));
    QCOMPARE(cellOnScreen(m_x, b.forward()), DisabledCell);

    m_x.click(b.back().center());
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Page A"), kWaitMs);
    m_x.movePointer(away);
    QVERIFY(waitForCell(m_x, b.forward(), NormalCell));
    QVERIFY(waitForCell(m_x, b.back(), NormalCell));

    m_x.click(b.back().center());
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Start"), kWaitMs);
    QVERIFY(waitForCell(m_x, b.back(), DisabledCell));

    // A click on the disabled BACK does nothing; FORWARD still goes forward.
    const qsizetype requestsBefore = requests().size();
    m_x.click(b.back().center());
    settle();
    QCOMPARE(title(), QString("Start"));
    QCOMPARE(requests().size(), requestsBefore);
    QCOMPARE(cellOnScreen(m_x, b.back()), DisabledCell);
    m_x.click(b.forward().center());
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Page A"), kWaitMs);
}

void E2EBrowser::buttonUnderThePointer() {
    BrowserWindow& b = startSkiff(kStart, "Start");
    if (QTest::currentTestFailed()) return;
    const QRect refresh = b.refresh();
    const QPoint away = b.webView().center();
    QVERIFY(waitForCell(m_x, refresh, NormalCell));

    // Hovering shows the hot look; leaving brings the resting look back.
    m_x.movePointer(refresh.center());
    QVERIFY(waitForCell(m_x, refresh, HotCell));
    m_x.movePointer(away);
    QVERIFY(waitForCell(m_x, refresh, NormalCell));

    // Pressed, then released where it was pressed: the resting look while the pointer stays,
    // and the click reloads the page.
    m_x.movePointer(refresh.center());
    QVERIFY(waitForCell(m_x, refresh, HotCell));
    m_x.pressButton();
    QVERIFY(waitForCell(m_x, refresh, PressedCell));
    m_x.releaseButton();
    QVERIFY(waitForCell(m_x, refresh, NormalCell));
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor(kStart), 2, kWaitMs);
    m_x.movePointer(away);
    settle();
    QCOMPARE(cellOnScreen(m_x, refresh), NormalCell);

    // Pressed and dragged away: the resting look; back in with the button held: pressed
    // again; released outside: no click.
    m_x.movePointer(refresh.center());
    m_x.pressButton();
    QVERIFY(waitForCell(m_x, refresh, PressedCell));
    m_x.movePointer(away);
    QVERIFY(waitForCell(m_x, refresh, NormalCell));
    m_x.movePointer(refresh.center() + QPoint(1, 0));
    QVERIFY(waitForCell(m_x, refresh, PressedCell));
    m_x.movePointer(away);
    QVERIFY(waitForCell(m_x, refresh, NormalCell));
    m_x.releaseButton();
    settle();
    QVERIFY2(requestsFor(kStart) == 2, qPrintable(requests().join(" ")));
    QCOMPARE(cellOnScreen(m_x, refresh), NormalCell);
}

void E2EBrowser::everyMenuEntryByMouse() {
    BrowserWindow& b = startSkiff(kStart, "Start");
    if (QTest::currentTestFailed()) return;
    using M = BrowserWindow;

    // Navigate: Go!, Home, Refresh, Back, Forward, Stop.
    typeIntoAddressBox("pages.test/a.html");
    QVERIFY(b.chooseMenu(M::Navigate, 0));
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Page A"), kWaitMs);
    QVERIFY(b.chooseMenu(M::Navigate, 1));
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Home Page"), kWaitMs);
    QCOMPARE(requestsFor(kHome), 1);
    QVERIFY(b.chooseMenu(M::Navigate, 2));
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor(kHome), 2, kWaitMs);
    QVERIFY(b.chooseMenu(M::Navigate, 3));
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Page A"), kWaitMs);
    QVERIFY(b.chooseMenu(M::Navigate, 4));
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Home Page"), kWaitMs);
    // A page whose server holds the rest of its answer: Stop makes the engine give it up.
    typeIntoAddressBox("pages.test/slow.html");
    QVERIFY(b.chooseMenu(M::Navigate, 0));
    QTRY_VERIFY_WITH_TIMEOUT(m_server.heldTargets().contains("http://pages.test/slow.html"),
                             kWaitMs);
    QVERIFY(b.chooseMenu(M::Navigate, 5));
    QTRY_VERIFY_WITH_TIMEOUT(!m_server.heldTargets().contains("http://pages.test/slow.html"),
                             kWaitMs);
    QVERIFY(b.chooseMenu(M::Navigate, 3));
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Home Page"), kWaitMs);

    // Tools: the find bar shows over the page and Escape takes it away.
    // A page still loading offers no find, and its end is not on screen for sure: the
    // entry is chosen again if the bar does not come.
    QVERIFY(!findBarShown());
    const auto findChosen = [&] {
        return b.chooseMenu(M::Tools, 0) && waitFor([&] { return findBarShown(); }, 5000);
    };
    QVERIFY(findChosen() || findChosen() || findChosen());
    m_x.key("Escape");
    QVERIFY(waitFor([&] { return !findBarShown(); }));

    // Windows that open from the Tools menu and go with their close box or Escape.
    const auto opensAndCloses = [this, &b](int item, const QString& caption, bool byEscape) {
        QVERIFY(b.chooseMenu(M::Tools, item));
        const TopLevel w = m_x.waitForClient(caption);
        QVERIFY2(w.isValid(), qPrintable(caption));
        if (byEscape) {
            QVERIFY(m_x.waitForActive(w));
            m_x.key("Escape");
        } else {
            QVERIFY(m_x.closeByCloseBox(w));
        }
        QVERIFY(waitFor([&] { return !m_x.refreshed(w).isValid(); }));
    };
    opensAndCloses(1, "Internet Options", false);
    opensAndCloses(2, "Page Properties", false);
    opensAndCloses(3, "Print", true);
    opensAndCloses(4, "Save Page As", true);

    // The source window shows the inside of the page's root element: head and body, without
    // the html element's own tags.
    QVERIFY(b.chooseMenu(M::Tools, 5));
    const TopLevel source = m_x.waitForClient("view-source: Home Page");
    QVERIFY(source.isValid());
    m_x.click(source.atTwips(75 + 300, 75 + 300));
    QVERIFY(m_x.waitForActive(source));
    const QString markup = selectAllAndCopy();
    QVERIFY2(markup.contains("<head><title>Home Page</title></head>"), qPrintable(markup));
    QVERIFY2(markup.contains("<body><p>Some text.</p></body>"), qPrintable(markup));
    QVERIFY2(!markup.contains("<html"), qPrintable(markup));
    QVERIFY(m_x.closeByCloseBox(source));

    // Favorites and Settings open their windows; their close boxes close them.
    for (const auto& [menu, caption] : {std::pair{M::Favorites, QString("Favorites")},
                                        std::pair{M::Settings, QString("Settings")}}) {
        QVERIFY(b.chooseMenu(menu));
        const TopLevel w = m_x.waitForClient(caption);
        QVERIFY2(w.isValid(), qPrintable(caption));
        QVERIFY(m_x.closeByCloseBox(w));
    }

    // Closing the browser window ends the program.
    QVERIFY(m_x.closeByCloseBox(b.window()));
    QVERIFY(m_skiff->waitForExit());
    QVERIFY(m_skiff->exitedNormally());
    QCOMPARE(m_skiff->exitCode(), 0);
}

void E2EBrowser::linkToNewWindowAndClosing() {
    BrowserWindow& b = startSkiff("http://pages.test/opener.html", "Opener");
    if (QTest::currentTestFailed()) return;

    // The page's window.open on load and from a timer opens nothing.
    settle();
    QCOMPARE(m_x.clients().size(), 1);
    QCOMPARE(requestsFor("http://pages.test/second.html"), 0);

    // A click on the link, which covers the whole page, opens its window.
    m_x.click(b.webView().center());
    const TopLevel second = m_x.waitForClient("Second");
    QVERIFY(second.isValid());
    QVERIFY(m_x.refreshed(b.window()).isValid());

    // The new window draws itself, not a black frame: its BACK button shows, and its status
    // bar's row across the bottom is mostly the light colour of the bar.
    BrowserWindow opened(m_x, second);
    QVERIFY(opened.locate());
    const TopLevel& o = opened.window();
    const QRect statusRow(o.client.left(), o.client.bottom() - 8, o.client.width(), 1);
    QVERIFY(waitFor([&] {
        const QImage row = m_x.grab(statusRow);
        int light = 0;
        for (int x = 0; x < row.width(); ++x) light += qGray(row.pixel(x, 0)) > 200;
        return light > row.width() / 2;
    }));
    m_x.saveScreenshot(SKIFF_E2E_OUTPUT "/window-opened-by-a-page.png");

    // Closing the second window closes the first too, and the program ends.
    QVERIFY(m_x.closeByCloseBox(second));
    QVERIFY(waitFor([this] { return m_x.clients().isEmpty(); }));
    QVERIFY(m_skiff->waitForExit());
    QVERIFY(m_skiff->exitedNormally());
    QCOMPARE(m_skiff->exitCode(), 0);
}

// Qt WebEngine's debugging addresses would crash or hang the browser process itself: typed and
// entered, each is refused and the page stays as it was.
void E2EBrowser::debuggingAddressesLeaveTheBrowserRunning() {
    BrowserWindow& b = startSkiff(kStart, "Start");
    if (QTest::currentTestFailed()) return;
    for (const QString& address :
         {"chrome://gpucrash", "chrome://inducebrowsercrashforrealz", "CHROME:gpuhang/",
          "about://uithreadhang", "view-source:chrome://crash", "chrome://kill"}) {
        typeIntoAddressBox(address);
        m_x.click(b.go().center());
        settle();
        QVERIFY2(m_skiff->isRunning(), qPrintable(address));
        // They are Qt WebEngine's; WebKit has none of them and fails to load them as it fails
        // any address of a scheme it does not know.
        if (!SkiffProcess::onWebKit()) QCOMPARE(title(), QString("Start"));
    }
    // The browser still browses.
    typeIntoAddressBox("pages.test/a.html");
    m_x.key("Return");
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Page A"), kWaitMs);
}

// Options end the program at once; addresses open in place of the start-up page, one browser
// window each.
void E2EBrowser::commandLine() {
    const struct {
        QStringList arguments;
        int exitCode;
        QString said;
    } options[] = {{{"--version"}, 0, "Skiff " SKIFF_VERSION "\n"},
                   {{"--help", "pages.test"}, 0, "Usage: skiff [OPTION]... [ADDRESS]...\n"},
                   {{"pages.test", "--frobnicate"}, 2, "skiff: unknown option '--frobnicate'\n"}};
    for (const auto& option : options) {
        SkiffProcess skiff(m_x, m_server.port());
        QVERIFY(skiff.start(option.arguments));
        QVERIFY(skiff.waitForExit());
        QCOMPARE(skiff.exitCode(), option.exitCode);
        QVERIFY2(skiff.output().startsWith(option.said), qPrintable(skiff.output()));
    }
    QVERIFY(m_x.clients().isEmpty());

    m_firstRequest = m_server.requestedTargets().size();
    m_skiff = std::make_unique<SkiffProcess>(m_x, m_server.port());
    m_skiff->setSetting("Settings/Start-Up Page", kStart);
    QVERIFY(m_skiff->start({"pages.test/a.html", "--", "http://pages.test/b.html"}));
    QVERIFY(m_x.waitForClient("Page A", 60000).isValid());
    QVERIFY(m_x.waitForClient("Page B").isValid());
    QCOMPARE(m_x.clients().size(), 2);
    QCOMPARE(requestsFor(kStart), 0);
    QVERIFY(endSkiff(m_x, m_skiff));

    // A javascript: address has no page to run in: it is refused, no dialog opens and no
    // load is left showing.
    m_skiff = std::make_unique<SkiffProcess>(m_x, m_server.port());
    QVERIFY(m_skiff->start({"javascript:alert(1)"}));
    BrowserWindow refused(m_x, m_x.waitForClient([](const TopLevel&) { return true; }, 60000));
    QVERIFY(refused.locate());
    settle();
    QVERIFY(!refused.progressBarShown());
    QCOMPARE(m_x.clients().size(), 1);
    QVERIFY(endSkiff(m_x, m_skiff));

    // A file of the working folder opens as that file, not as a host of that name.
    m_skiff = std::make_unique<SkiffProcess>(m_x, m_server.port());
    QVERIFY(writeFile(m_skiff->workingDir() + "/page.html", page("From File")));
    QVERIFY(m_skiff->start({"page.html"}));
    QVERIFY(m_x.waitForClient("From File", 60000).isValid());
}

// The keys of the browser window, each doing what its menu entry or button does.
void E2EBrowser::keys() {
    BrowserWindow& b = startSkiff(kStart, "Start");
    if (QTest::currentTestFailed()) return;

    // Each key for the address box gives it the focus with its text selected, so typing
    // replaces it.
    const struct {
        const char* key;
        int modifiers;
        const char* page;
        const char* title;
    } focusKeys[] = {{"l", Ctrl, "pages.test/a.html", "Page A"},
                     {"d", Alt, "pages.test/b.html", "Page B"},
                     {"F6", NoModifier, "pages.test/zoom.html", "Zoom"}};
    for (const auto& focusKey : focusKeys) {
        m_x.click(b.webView().center());
        QVERIFY(m_x.key(focusKey.key, focusKey.modifiers));
        QVERIFY(m_x.typeText(QString(focusKey.page) + "\n"));
        QTRY_COMPARE_WITH_TIMEOUT(title(), QString(focusKey.title), kWaitMs);
        // The box is refilled a moment after the caption changes.
        QTRY_COMPARE_WITH_TIMEOUT(addressBoxText(), "http://" + QString(focusKey.page), kWaitMs);
    }

    // Back and Forward by keys and by the pointer's side buttons over the page.
    focusPage();
    QVERIFY(m_x.key("Left", Alt));
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Page B"), kWaitMs);
    QVERIFY(m_x.key("Right", Alt));
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Zoom"), kWaitMs);
    m_x.click(b.webView().center(), 8);
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Page B"), kWaitMs);
    m_x.click(b.webView().center(), 9);
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Zoom"), kWaitMs);

    // Refresh loads the page again.
    focusPage();
    for (const auto& [key, modifiers] : {std::pair{"F5", NoModifier}, std::pair{"r", Ctrl}}) {
        const int loads = requestsFor("http://pages.test/zoom.html");
        QVERIFY(m_x.key(key, modifiers));
        QTRY_COMPARE_WITH_TIMEOUT(requestsFor("http://pages.test/zoom.html"), loads + 1, kWaitMs);
    }

    // Zoom: the red square, 100 pixels wide, grows and shrinks by a step and comes back.
    const auto redWidth = [&] {
        const QImage view = m_x.grab(b.webView());
        int red = 0;
        for (int x = 0; x < view.width(); ++x) red += view.pixel(x, 20) == qRgb(255, 0, 0);
        return red;
    };
    QTRY_COMPARE_WITH_TIMEOUT(redWidth(), 100, kWaitMs);
    for (const auto& [key, width] :
         {std::pair{"plus", 110}, std::pair{"minus", 100}, std::pair{"minus", 90},
          std::pair{"equal", 100}, std::pair{"0", 100}}) {
        QVERIFY(m_x.key(key, Ctrl));
        QTRY_COMPARE_WITH_TIMEOUT(redWidth(), width, kWaitMs);
    }

    // Tool windows and dialogs, each closed again.
    for (const auto& [key, window] :
         {std::pair{"u", "view-source: Zoom"}, std::pair{"b", "Favorites"}, std::pair{"p", "Print"},
          std::pair{"s", "Save Page As"}}) {
        m_x.click(b.webView().center());
        QVERIFY(m_x.waitForActive(b.window()));
        QVERIFY(m_x.key(key, Ctrl));
        const TopLevel opened = m_x.waitForClient(window);
        QVERIFY2(opened.isValid(), window);
        QVERIFY(m_x.closeByCloseBox(opened));
    }

    // Find shows its bar, and Escape takes it away; Alt+Home goes home.
    focusPage();
    QVERIFY(m_x.key("f", Ctrl));
    QVERIFY(waitFor([&] { return findBarShown(); }));
    QVERIFY(m_x.key("Escape"));
    QVERIFY(waitFor([&] { return !findBarShown(); }));
    focusPage();
    QVERIFY(m_x.key("Home", Alt));
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Home Page"), kWaitMs);

    // Quit ends the program as closing the window does.
    focusPage();
    QVERIFY(m_x.key("q", Ctrl));
    QVERIFY(m_skiff->waitForExit());
    QCOMPARE(m_skiff->exitCode(), 0);

    // Close Window, in the second of two windows, ends the program too.
    m_skiff = std::make_unique<SkiffProcess>(m_x, m_server.port());
    QVERIFY(m_skiff->start({"pages.test/a.html", "pages.test/b.html"}));
    const TopLevel second = m_x.waitForClient("Page B", 60000);
    QVERIFY(m_x.waitForClient("Page A").isValid());
    m_x.click(second.client.center());
    QVERIFY(m_x.waitForActive(second));
    QVERIFY(m_x.key("w", Ctrl));
    QVERIFY(m_skiff->waitForExit());
    QCOMPARE(m_skiff->exitCode(), 0);
}

// A page gets every key first but those the browser keeps; Escape is the page's unless a load
// runs; a key the page did not use acts in the browser.
void E2EBrowser::pageGetsKeysFirst() {
    BrowserWindow& b = startSkiff("http://pages.test/keys.html", "Keys");
    if (QTest::currentTestFailed()) return;
    const auto focusPage = [&] {
        m_x.click(b.webView().center());
        QVERIFY(m_x.waitForActive(b.window()));
    };

    // The page uses Escape and Ctrl+S: nothing else happens. It does not use Ctrl+U, which
    // then shows the source.
    focusPage();
    QVERIFY(m_x.key("Escape"));
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Keys Escape"), kWaitMs);
    QVERIFY(m_x.key("s", Ctrl));
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Keys Escape Ctrl+s"), kWaitMs);
    QVERIFY(m_x.key("u", Ctrl));
    const TopLevel source =
        m_x.waitForClient([](const TopLevel& w) { return w.name.startsWith("view-source: Keys"); });
    QVERIFY(source.isValid());
    QCOMPARE(title(), QString("Keys Escape Ctrl+s Ctrl+u"));
    QVERIFY(!m_x.client("Save Page As").isValid());
    QVERIFY(m_x.closeByCloseBox(source));

    // Ctrl+L is the browser's although the page would take it.
    focusPage();
    QVERIFY(m_x.key("l", Ctrl));
    QTest::qWait(500);
    QCOMPARE(title(), QString("Keys Escape Ctrl+s Ctrl+u"));
    QVERIFY(m_x.typeText("pages.test/slow.html\n"));
    const QString slow = "http://pages.test/slow.html";
    QTRY_VERIFY_WITH_TIMEOUT(m_server.heldTargets().contains(slow), kWaitMs);

    // While a page loads, Escape stops it, with the focus in the page too.
    focusPage();
    QVERIFY(m_x.key("Escape"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_server.heldTargets().contains(slow), kWaitMs);
    QVERIFY(!m_x.client("Save Page As").isValid());
}

// Tab and Shift+Tab move into the page, through its fields and out of it again; a click puts
// the focus and a visible caret into a field; the keys a field uses stay with it.
void E2EBrowser::focusAndTextFields() {
    BrowserWindow& b = startSkiff("http://pages.test/fields.html", "Fields");
    if (QTest::currentTestFailed()) return;
    const auto focusIs = [this](const QString& field) {
        QTRY_COMPARE_WITH_TIMEOUT(title(), "Fields " + field, kWaitMs);
    };

    // Backwards from the address box into the page's last field, through the page and out of
    // it to the buttons.
    m_x.click(b.addressBox().center());
    QVERIFY(m_x.waitForActive(b.window()));
    for (const QString focused : {"second", "first", "none"}) {
        QVERIFY(m_x.key("Tab", Shift));
        focusIs(focused);
    }

    // The caret shows in the field clicked, and only there.
    const auto field = [&](int index) {
        return QRect(b.webView().topLeft() + QPoint(0, index * 100),
                     QSize(b.webView().width(), 60));
    };
    const auto caretIn = [&](int index) {
        const QImage shown = m_x.grab(field(index));
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (qGray(shown.pixel(x, y)) < 128) return true;
        return false;
    };
    for (const auto& [clicked, other] : {std::pair{1, 0}, std::pair{0, 1}}) {
        m_x.click(field(clicked).center());
        focusIs(clicked ? "second" : "first");
        QVERIFY(waitFor([&] { return caretIn(clicked); }, 3000));
        QVERIFY(!waitFor([&] { return caretIn(other); }, 1200));
    }

    // Typing, arrows, Backspace, and Ctrl+A, C, X, V, Z and Y edit the field.
    QVERIFY(m_x.typeText("abcd"));
    for (const char* key : {"Left", "Left", "BackSpace"}) QVERIFY(m_x.key(key));
    QCOMPARE(selectAllAndCopy(), QString("acd"));
    // Cut leaves the field empty: two pastes after it make the text twice, not three times.
    for (const auto& [key, modifiers] : {std::pair{"x", Ctrl}, std::pair{"Right", NoModifier},
                                         std::pair{"v", Ctrl}, std::pair{"v", Ctrl}})
        QVERIFY(m_x.key(key, modifiers));
    QCOMPARE(selectAllAndCopy(), QString("acdacd"));
    // Ctrl+Z undoes the second paste; Ctrl+Shift+Z and Ctrl+Y redo it.
    for (const auto& [redo, modifiers] :
         {std::pair{"z", int(Ctrl | Shift)}, std::pair{"y", int(Ctrl)}}) {
        QVERIFY(m_x.key("Right"));
        QVERIFY(m_x.key("z", Ctrl));
        QCOMPARE(selectAllAndCopy(), QString("acd"));
        QVERIFY(m_x.key("Right"));
        QVERIFY(m_x.key(redo, modifiers));
        QCOMPARE(selectAllAndCopy(), QString("acdacd"));
    }

    // Forwards out of the page's last field to the address box.
    m_x.click(field(1).center());
    focusIs("second");
    QVERIFY(m_x.key("Tab"));
    focusIs("none");
    QCOMPARE(selectAllAndCopy(), QString("http://pages.test/fields.html"));
}

// Ctrl+Z undoes typing in a field inside a frame; a page that takes Ctrl+Z itself keeps it.
void E2EBrowser::undoInAFrameUnlessThePageTakesTheKey() {
    BrowserWindow& b = startSkiff("http://pages.test/undo.html", "Undo");
    if (QTest::currentTestFailed()) return;
    m_x.click(b.webView().topLeft() + QPoint(b.webView().width() / 2, 100));
    QVERIFY(m_x.typeText("ab"));
    QVERIFY(m_x.key("z", Ctrl));
    QVERIFY(m_x.typeText("c"));
    QCOMPARE(selectAllAndCopy(), QString("c"));

    m_x.click(b.webView().topLeft() + QPoint(b.webView().width() / 2, 300));
    QVERIFY(m_x.typeText("xy"));
    QVERIFY(m_x.key("z", Ctrl));
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("Took xy"), kWaitMs);
    QCOMPARE(selectAllAndCopy(), QString("xy"));
}

QTEST_GUILESS_MAIN(E2EBrowser)
#include "tst_e2e_browser.moc"
