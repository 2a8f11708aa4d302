// The favorites and settings windows, driven from outside as a person drives them: real
// clicks and keys on skiff's own windows, watched through window names, pixels, the
// clipboard, the favorites file and the settings file.

#include <QtTest>
#include <memory>

#include "e2e/journey.h"
#include "support/loopbackserver.h"

using namespace skiff::e2e;
using skiff::test::LoopbackServer;

namespace {

QByteArray page(const QByteArray& title, const QByteArray& background = "white") {
    return "<html><head><title>" + title + "</title></head><body style='background:" + background +
           "'><p>Text.</p></body></html>";
}

// The controls of the two tool windows, in twips of their client areas.
namespace favorites {
const QRect list(225, 375, 3105, 1980);
const QRect link(225, 2400, 2205, 285);
const QRect add(2550, 2400, 765, 315);
const QRect current(225, 2775, 1515, 315);
const QRect remove(1800, 2775, 1515, 315);
}  // namespace favorites
namespace settings {
const QRect startupPage(225, 375, 3060, 285);
// Buttons inside the group boxes: the group box's place plus the button's.
const QRect useCurrent(75 + 1200, 75 + 675, 990, 315);
const QRect workOffline(75 + 150, 1275 + 300, 1515, 315);
const QRect workOnline(75 + 1725, 1275 + 300, 1515, 315);
const QRect hideStatusBar(75 + 150, 2100 + 300, 1515, 315);
const QRect showStatusBar(75 + 1725, 2100 + 300, 1515, 315);
const QRect save(1875, 3000, 765, 315);
const QRect cancel(2700, 3000, 765, 315);
}  // namespace settings

QPoint centreOf(const TopLevel& w, const QRect& twips) {
    return w.twipsRect(twips.x(), twips.y(), twips.width(), twips.height()).center();
}

}  // namespace

class E2ETools : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    // Each journey's program opens page One, not started yet.
    void init() {
        m_skiff = std::make_unique<SkiffProcess>(m_x, m_server.port());
        m_skiff->setSetting("Settings/Start-Up Page", "http://pages.test/one.html");
    }
    void cleanup() { QVERIFY(endSkiff(m_x, m_skiff)); }

    void favoritesWindow();
    void favoritesFileLeftAsItIs();
    void favoritesOfTwoProcesses();
    void settingsWindowAcrossARestart();

private:
    bool startSkiff(const QString& title) {
        m_browser = openBrowser(m_x, *m_skiff, title);
        return !QTest::currentTestFailed();
    }
    // Waits for the window `caption` and until it has the keyboard; invalid when it does not.
    TopLevel waitForWindow(const QString& caption);
    // Opens the window of the menu bar title `menu`, as waitForWindow() waits for it.
    TopLevel open(BrowserWindow::Menu menu, const QString& caption) {
        return m_browser->chooseMenu(menu) ? waitForWindow(caption) : TopLevel{};
    }
    // Presses Ctrl+`key` in the browser window and waits for the window `caption` to come.
    TopLevel openByKey(const QString& key, const QString& caption);
    QString title() const { return m_x.refreshed(m_browser->window()).name; }
    QByteArray favoritesFile() const;
    QString textOfBoxAt(QPoint at);
    // Waits for the message box `caption`, answers it with Enter and goes back to `from`.
    bool dismissMessage(const QString& caption, const TopLevel& from);
    // The entries of the favorites list as drawn: the middle row of each line of text.
    QList<int> listRows(const TopLevel& w);
    // Types `address` into the favorites window's text box and presses ADD.
    void addToFavorites(const TopLevel& fav, const QString& address);

    XSession m_x;
    LoopbackServer m_server;
    std::unique_ptr<SkiffProcess> m_skiff;
    std::unique_ptr<BrowserWindow> m_browser;
};

void E2ETools::initTestCase() {
    QVERIFY2(m_x.start(), qPrintable(m_x.error()));
    QDir().mkpath(SKIFF_E2E_OUTPUT);
    m_server.addPage("/one.html", page("One", "#00ff00"));
    for (const char* name : {"two", "three", "four"})
        m_server.addPage(QString("/%1.html").arg(name), page(name));
}

TopLevel E2ETools::waitForWindow(const QString& caption) {
    const TopLevel w = m_x.waitForClient(caption);
    return w.isValid() && m_x.waitForActive(w) ? w : TopLevel{};
}

TopLevel E2ETools::openByKey(const QString& key, const QString& caption) {
    m_x.click(m_browser->webView().center());
    const bool pressed = m_x.waitForActive(m_browser->window()) && m_x.key(key, Ctrl);
    return pressed ? waitForWindow(caption) : TopLevel{};
}

QByteArray E2ETools::favoritesFile() const {
    QFile f(m_skiff->workingDir() + "/favorites.fav");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QString E2ETools::textOfBoxAt(QPoint at) {
    // Keys sent while the window manager still hands the keyboard over can be lost, so an
    // empty copy is tried again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_x.click(at);
        if (const std::optional<QString> text = m_x.selectAllAndCopy(5000)) return *text;
    }
    return {};
}

bool E2ETools::dismissMessage(const QString& caption, const TopLevel& from) {
    if (!waitForWindow(caption).isValid()) return false;
    m_x.key("Return");
    if (!m_x.waitForNoClient(caption)) return false;
    // The window manager may hand the keyboard to another window: a click on the frame's
    // empty corner brings the window the message came from back.
    m_x.click(from.atPixel(from.client.width() - 4, from.client.height() - 4));
    return m_x.waitForActive(from);
}

QList<int> E2ETools::listRows(const TopLevel& w) {
    const QRect list = w.twipsRect(favorites::list.x(), favorites::list.y(),
                                   favorites::list.width(), favorites::list.height());
    // Inside the list's frame, left of where a scroll bar would be.
    const QImage inside = m_x.grab(list.adjusted(3, 3, -20, -3));
    const QList<QPair<int, int>> columns = inkRuns(inside, Qt::Horizontal, inside.width());
    if (columns.isEmpty()) return {};
    // Every entry starts with the "h" of "http": its stem is one run of ink per line.
    const QImage stems = inside.copy(columns.first().first, 0, 2, inside.height());
    QList<int> rows;
    for (const auto& [first, last] : inkRuns(stems, Qt::Vertical, 1))
        rows << list.top() + 3 + (first + last) / 2;
    return rows;
}

void E2ETools::favoritesWindow() {
    QVERIFY(writeFile(m_skiff->workingDir() + "/favorites.fav",
                      "http://pages.test/two.html\r\nhttp://pages.test/three.html\r\n"));
    QVERIFY(startSkiff("One"));

    TopLevel fav = open(BrowserWindow::Favorites, "Favorites");
    QVERIFY(fav.isValid());
    QList<int> rows;
    QVERIFY(waitFor([&] { return (rows = listRows(fav)).size() == 2; }));
    const int x = fav.twipsRect(favorites::list.x(), 0, 0, 0).x() + 40;

    // REMOVE SiTE with nothing selected, and the pop-up's "Remove" after a right click (which
    // selects nothing): a message each time, and the list stays.
    m_x.click(centreOf(fav, favorites::remove));
    QVERIFY(dismissMessage("Error In Removing Site", fav));
    QList<QRect> before = m_x.popups();
    m_x.click(QPoint(x, rows[1]), 3);
    QRect popup = m_x.waitForNewPopup(before);
    QVERIFY(!popup.isEmpty());
    m_x.click(popup.center());
    QVERIFY(dismissMessage("Error In Removing Site", fav));
    // Read once the message and the pop-up have left the screen.
    QVERIFY(waitFor([&] { return listRows(fav).size() == 2; }));

    // The pop-up's "Remove" on a selected entry removes it.
    m_x.click(QPoint(x, rows[0]));
    before = m_x.popups();
    m_x.click(QPoint(x, rows[0]), 3);
    popup = m_x.waitForNewPopup(before);
    QVERIFY(!popup.isEmpty());
    m_x.click(popup.center());
    QVERIFY(waitFor([&] { return listRows(fav).size() == 1; }));  // three

    // ADD takes the text box, ADD CURRENT SiTE the browser's address box.
    m_x.click(centreOf(fav, favorites::link));
    m_x.key("a", Ctrl);
    QVERIFY(m_x.typeText("http://pages.test/four.html"));
    m_x.click(centreOf(fav, favorites::add));
    m_x.click(centreOf(fav, favorites::current));
    QVERIFY(waitFor([&] { return (rows = listRows(fav)).size() == 3; }));  // three four one

    // REMOVE SiTE on the selected entry, then again: after a removal nothing is selected.
    m_x.click(QPoint(x, rows[1]));
    m_x.click(centreOf(fav, favorites::remove));
    QVERIFY(waitFor([&] { return (rows = listRows(fav)).size() == 2; }));  // three one
    m_x.click(centreOf(fav, favorites::remove));
    QVERIFY(dismissMessage("Error In Removing Site", fav));

    // A double-click opens the entry in the browser window; the favorites window stays.
    m_x.doubleClick(QPoint(x, rows[0]));
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("three"), kWaitMs);
    QVERIFY(m_x.refreshed(fav).isValid());
    m_x.saveScreenshot(SKIFF_E2E_OUTPUT "/favorites-journey.png");

    // Closing the window writes the list.
    QVERIFY(m_x.closeByCloseBox(fav));
    QCOMPARE(favoritesFile(),
             QByteArray("http://pages.test/three.html\r\nhttp://pages.test/one.html\r\n"));

    // An entry added and then the program told to end (as a logout does): the entry is
    // written and the program ends as closing its window would.
    fav = open(BrowserWindow::Favorites, "Favorites");
    QVERIFY(fav.isValid());
    m_x.click(centreOf(fav, favorites::add));
    QVERIFY(waitFor([&] { return listRows(fav).size() == 3; }));
    m_skiff->terminate();
    QVERIFY(m_skiff->waitForExit());
    QVERIFY(m_skiff->exitedNormally());
    QCOMPARE(m_skiff->exitCode(), 0);
    QCOMPARE(favoritesFile(), QByteArray("http://pages.test/three.html\r\n"
                                         "http://pages.test/one.html\r\n"
                                         "http://\r\n"));
}

// A favorites file that is a link to nothing is not created by opening the window nor by
// closing it: a message says that the list is not saved. A file that was not changed keeps its
// bytes, line feeds and all, also when the program is told to end with the window open.
void E2ETools::favoritesFileLeftAsItIs() {
    const QString work = m_skiff->workingDir();
    QVERIFY(QFile::link(work + "/elsewhere.fav", work + "/favorites.fav"));
    QVERIFY(startSkiff("One"));

    QVERIFY(openByKey("b", "Favorites File").isValid());
    m_x.saveScreenshot(SKIFF_E2E_OUTPUT "/favorites-not-saved.png");
    m_x.key("Return");
    TopLevel fav = waitForWindow("Favorites");
    QVERIFY(fav.isValid());
    m_x.click(centreOf(fav, favorites::add));
    QVERIFY(waitFor([&] { return listRows(fav).size() == 1; }));
    QVERIFY(m_x.closeByCloseBox(fav));
    QVERIFY(!m_x.client("Favorites File").isValid());
    QVERIFY(QFileInfo(work + "/favorites.fav").isSymLink());
    QVERIFY(!QFileInfo::exists(work + "/elsewhere.fav"));

    const QByteArray lines = "http://pages.test/two.html\nhttp://pages.test/three.html\n";
    QVERIFY(QFile::remove(work + "/favorites.fav"));
    QVERIFY(writeFile(work + "/favorites.fav", lines));
    fav = openByKey("b", "Favorites");
    QVERIFY(fav.isValid());
    QVERIFY(waitFor([&] { return listRows(fav).size() == 2; }));
    QVERIFY(m_x.closeByCloseBox(fav));
    QCOMPARE(favoritesFile(), lines);
    QVERIFY(openByKey("b", "Favorites").isValid());
    m_skiff->terminate();
    QVERIFY(m_skiff->waitForExit());
    QVERIFY(m_skiff->exitedNormally());
    QCOMPARE(favoritesFile(), lines);
}

void E2ETools::addToFavorites(const TopLevel& fav, const QString& address) {
    m_x.click(centreOf(fav, favorites::link));
    QVERIFY(m_x.key("a", Ctrl));
    QVERIFY(m_x.typeText(address));
    m_x.click(centreOf(fav, favorites::add));
}

// Two programs in one working folder read the list; the first adds an entry and ends (as a
// logout ends it), the second removes one, adds one and closes its window: the file keeps the
// changes of both.
void E2ETools::favoritesOfTwoProcesses() {
    QVERIFY(writeFile(m_skiff->workingDir() + "/favorites.fav",
                      "http://pages.test/two.html\r\nhttp://pages.test/three.html\r\n"));
    QVERIFY(startSkiff("One"));
    const TopLevel first = open(BrowserWindow::Favorites, "Favorites");
    QVERIFY(first.isValid());
    QVERIFY(waitFor([&] { return listRows(first).size() == 2; }));
    addToFavorites(first, "http://pages.test/four.html");
    QVERIFY(waitFor([&] { return listRows(first).size() == 3; }));

    SkiffProcess other(m_x, m_server.port());
    other.setSetting("Settings/Start-Up Page", "http://pages.test/two.html");
    other.setWorkingDir(m_skiff->workingDir());
    const std::unique_ptr<BrowserWindow> otherBrowser = openBrowser(m_x, other, "two");
    QVERIFY(!QTest::currentTestFailed());
    QVERIFY(otherBrowser->chooseMenu(BrowserWindow::Favorites));
    const TopLevel second = m_x.waitForClient(
        [&](const TopLevel& w) { return w.name == "Favorites" && w.id != first.id; });
    QVERIFY(second.isValid() && m_x.waitForActive(second));
    QList<int> rows;
    QVERIFY(waitFor([&] { return (rows = listRows(second)).size() == 2; }));
    m_x.click(QPoint(second.twipsRect(favorites::list.x(), 0, 0, 0).x() + 40, rows[0]));
    m_x.click(centreOf(second, favorites::remove));
    QVERIFY(waitFor([&] { return listRows(second).size() == 1; }));
    addToFavorites(second, "http://pages.test/one.html");
    QVERIFY(waitFor([&] { return listRows(second).size() == 2; }));

    m_skiff->terminate();
    QVERIFY(m_skiff->waitForExit());
    QCOMPARE(favoritesFile(), QByteArray("http://pages.test/two.html\r\n"
                                         "http://pages.test/three.html\r\n"
                                         "http://pages.test/four.html\r\n"));
    QVERIFY(m_x.closeByCloseBox(second));
    QCOMPARE(favoritesFile(), QByteArray("http://pages.test/three.html\r\n"
                                         "http://pages.test/four.html\r\n"
                                         "http://pages.test/one.html\r\n"));
    other.terminate();
    QVERIFY(other.waitForExit());
}

void E2ETools::settingsWindowAcrossARestart() {
    const QString key = "Settings/Start-Up Page";
    QVERIFY(startSkiff("One"));

    // The box shows the stored page. Typing then CANCEL, or typing then the close box,
    // stores nothing, and the next opening shows the stored page again.
    TopLevel set = open(BrowserWindow::Settings, "Settings");
    QVERIFY(set.isValid());
    const QPoint box = centreOf(set, settings::startupPage);
    for (bool byCancel : {true, false}) {
        QCOMPARE(textOfBoxAt(box), QString("http://pages.test/one.html"));
        QVERIFY(m_x.typeText("http://pages.test/four.html"));
        if (byCancel)
            m_x.click(centreOf(set, settings::cancel));
        else
            QVERIFY(m_x.closeByCloseBox(set));
        QVERIFY(m_x.waitForNoClient("Settings"));
        QCOMPARE(m_skiff->setting(key).toString(), QString("http://pages.test/one.html"));
        set = open(BrowserWindow::Settings, "Settings");
        QVERIFY(set.isValid());
    }

    // HiDE STATUS BAR: the page (green) shows where the status bar was; SHOW brings it back.
    const TopLevel main = m_browser->window();
    const QPoint statusBar(main.client.left() + 20, main.client.bottom() - 4);
    const auto pageShowsThere = [&] { return m_x.pixel(statusBar) == QColor(0, 255, 0); };
    QVERIFY(!pageShowsThere());
    m_x.click(centreOf(set, settings::hideStatusBar));
    QVERIFY(waitFor(pageShowsThere));
    m_x.saveScreenshot(SKIFF_E2E_OUTPUT "/status-bar-hidden.png");
    m_x.click(centreOf(set, settings::showStatusBar));
    QVERIFY(waitFor([&] { return !pageShowsThere(); }));

    // WORK OFFLiNE: the engine sends no request; WORK ONLiNE: it does again. Typing into the
    // browser window brings it over the settings window; the menu brings that back.
    const auto typeAddressThenComeBack = [&](const QString& address) {
        // The click brings the browser window forward; the keys wait until it has them.
        m_x.click(m_browser->addressBox().center());
        QVERIFY(m_x.waitForActive(main));
        m_x.key("a", Ctrl);
        QVERIFY(m_x.typeText(address));
        QCOMPARE(m_x.selectAllAndCopy().value_or(""), address);
        m_x.key("Return");
        QVERIFY(open(BrowserWindow::Settings, "Settings").isValid());
    };
    // The status bar's mode panel (third, 650 twips from 9000) shows the change.
    const QRect modePanel(main.client.left() + 9000 / 15, main.client.bottom() - 16, 650 / 15, 14);
    const QImage online = m_x.grab(modePanel);
    m_x.click(centreOf(set, settings::workOffline));
    QVERIFY(waitFor([&] { return m_x.grab(modePanel) != online; }));
    const qsizetype requestsBefore = m_server.requestedTargets().size();
    typeAddressThenComeBack("pages.test/two.html");
    QTest::qWait(1500);
    QVERIFY(
        !m_server.requestedTargets().mid(requestsBefore).contains("http://pages.test/two.html"));
    m_x.click(centreOf(set, settings::workOnline));
    QVERIFY(waitFor([&] { return m_x.grab(modePanel) == online; }));
    typeAddressThenComeBack("pages.test/two.html");
    QTRY_COMPARE_WITH_TIMEOUT(title(), QString("two"), kWaitMs);

    // USE CURRENT and SAVE: the window closes, the value is stored, the running browser
    // stays where it is; the next start opens the stored page.
    m_x.click(centreOf(set, settings::useCurrent));
    QCOMPARE(textOfBoxAt(box), QString("http://pages.test/two.html"));
    m_x.click(centreOf(set, settings::save));
    QVERIFY(m_x.waitForNoClient("Settings"));
    QCOMPARE(m_skiff->setting(key).toString(), QString("http://pages.test/two.html"));
    QCOMPARE(title(), QString("two"));

    QVERIFY(m_x.closeByCloseBox(main));
    QVERIFY(m_skiff->waitForExit());
    QCOMPARE(m_skiff->exitCode(), 0);
    QVERIFY(startSkiff("two"));
    set = open(BrowserWindow::Settings, "Settings");
    QVERIFY(set.isValid());
    QCOMPARE(textOfBoxAt(centreOf(set, settings::startupPage)),
             QString("http://pages.test/two.html"));
    QVERIFY(m_x.closeByCloseBox(m_browser->window()));
    QVERIFY(m_skiff->waitForExit());
}

QTEST_GUILESS_MAIN(E2ETools)
#include "tst_e2e_tools.moc"
