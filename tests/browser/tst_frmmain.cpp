// The browser window's handlers, driven through a scripted web component and a fixed clock.

#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest>

#include "browser/frmmain.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "core/settingsstore.h"
#include "favorites/frmfavorites.h"
#include "forms/twipgeometry.h"
#include "internetoptions/internetoptions.h"
#include "settings/frmsettings.h"
#include "source_viewer/frmsource.h"
#include "statusbar/progressbar.h"
#include "statusbar/statusbar.h"
#include "support/userinput.h"
#include "support/windowtestbase.h"

using namespace skiff;
using namespace skiff::test;

namespace {

// The first browser window, shown and active: its activation puts the focus in the address box.
FrmMain& activeMainWindow() {
    FrmMain& w = frmMain();
    if (!showActive(&w)) qWarning("the browser window did not become active");
    return w;
}

// Clicks into the address box, types `text` over what it holds and presses Enter.
void enterAddress(FrmMain& w, const QString& text) {
    retype(w.cboUrl(), text);
    pressKey(&w, Qt::Key_Return);
}

QString selectedText(FrmMain& w) {
    return w.cboUrl()->lineEdit()->selectedText();
}

}  // namespace

class TestFrmMain : public QObject {
    Q_OBJECT
private slots:
    void loadWithNothingStoredOpensBlankPage() {
        WindowTestEnvironment env;
        FrmMain& w = frmMain();
        ScriptedBrowser* wb = env.firstEngine();
        QCOMPARE(wb->navigated, QStringList{"about:blank"});
        QCOMPARE(wb->silentWrites, QList<bool>{true});
        QVERIFY(w.windowState() & Qt::WindowMaximized);
        QCOMPARE(w.tmrMain()->interval(), 1000);
        QVERIFY(w.tmrMain()->isActive());
        QCOMPARE(w.stbStatus()->panelText(StatusPanel::Mode), QString("ONLiNE"));
        QCOMPARE(w.stbStatus()->panelText(StatusPanel::Time), timeOfDayText(QTime(23, 59, 58)));
        QCOMPARE(w.stbStatus()->panelText(StatusPanel::Date), shortDateText(QDate(2026, 12, 8)));
        QCOMPARE(w.stbStatus()->panelText(StatusPanel::Messages), QString());
        // The start-up page comes from the settings store: the settings window is not made.
        QVERIFY(!frmSettingsLoaded());
    }

    void storedStartupPageIsNavigatedAsStored() {
        WindowTestEnvironment env;
        QCOMPARE(SaveSetting("Web Browser", "Settings", "Start-Up Page", "example.com/start"),
                 SaveResult::Saved);
        FrmMain& w = frmMain();
        QCOMPARE(env.firstEngine()->navigated, QStringList{"example.com/start"});
        QCOMPARE(w.cboUrl()->currentText(), QString("example.com/start"));
    }

    void clockTickRefreshesTimeButNotDate() {
        WindowTestEnvironment env;
        FrmMain& w = frmMain();
        env.clock->time = QDateTime(QDate(2026, 12, 9), QTime(0, 0, 3));
        w.tmrMain_Timer();
        QCOMPARE(w.stbStatus()->panelText(StatusPanel::Time), timeOfDayText(QTime(0, 0, 3)));
        QCOMPARE(w.stbStatus()->panelText(StatusPanel::Date), shortDateText(QDate(2026, 12, 8)));
    }

    void enterInAddressBox_data() {
        QTest::addColumn<QStringList>("visited");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("navigated");
        QTest::addColumn<QString>("shown");
        const QStringList none;
        QTest::newRow("bare host")
            << none << "example.com" << QStringList{"example.com"} << "http://example.com";
        QTest::newRow("upper-case http")
            << none << "HTTP://Example.com/A" << QStringList{"HTTP://Example.com/A"}
            << "HTTP://Example.com/A";
        QTest::newRow("mixed-case ftp")
            << none << "fTp://files.example" << QStringList{"fTp://files.example"}
            << "fTp://files.example";
        QTest::newRow("https") << none << "https://secure.example/x"
                               << QStringList{"https://secure.example/x"}
                               << "http://https://secure.example/x";
        QTest::newRow("empty") << none << "" << QStringList{} << "http://";
        // The shown text equals an older entry of the list: the box keeps it, all selected,
        // and does not switch to that entry.
        QTest::newRow("older entry")
            << QStringList{"http://a/", "http://b/"} << "a/" << QStringList{"a/"} << "http://a/";
        QTest::newRow("older entry in another case")
            << QStringList{"http://a/", "http://b/"} << "A/" << QStringList{"A/"} << "http://A/";
        // Typing is only typing: the list does not complete the text.
        QTest::newRow("prefix of an entry") << QStringList{"http://a.example/"} << "http://a"
                                            << QStringList{"http://a"} << "http://a";
    }
    void enterInAddressBox() {
        QFETCH(QStringList, visited);
        QFETCH(QString, typed);
        QFETCH(QStringList, navigated);
        QFETCH(QString, shown);
        WindowTestEnvironment env;
        FrmMain& w = activeMainWindow();
        ScriptedBrowser* wb = env.firstEngine();
        for (const QString& url : visited) {
            wb->locationURL = url;
            wb->fireNavigateComplete2();
        }
        wb->navigated.clear();
        enterAddress(w, typed);
        QCOMPARE(wb->navigated, navigated);
        QCOMPARE(w.cboUrl()->currentText(), shown);
        QCOMPARE(selectedText(w), shown);
        QCOMPARE(w.cboUrl()->count(), visited.size());  // only a completed navigation adds
    }

    // A javascript: address has no page to run in: given at start or typed, it is refused with
    // a message and the engine is not asked to load it.
    void scriptAddressesAreRefused() {
        const QString refusal = "Addresses starting with javascript: are not opened.";
        for (const QString& address :
             {"javascript:alert(1)", " \t JavaScript:x", "java\nscript:x", "\x01JAVASCRIPT:x"}) {
            WindowTestEnvironment env;
            env.app().start({address});
            FrmMain& w = frmMain();
            QCOMPARE(env.firstEngine()->navigated, QStringList{});
            QCOMPARE(w.stbStatus()->panelText(StatusPanel::Messages), refusal);
            QVERIFY(!w.proLoad()->isVisibleTo(&w));  // no load shows
        }
        WindowTestEnvironment env;
        FrmMain& w = activeMainWindow();
        ScriptedBrowser* wb = env.firstEngine();
        wb->navigated.clear();
        enterAddress(w, "  javaScript:alert(document.cookie)");
        QCOMPARE(w.stbStatus()->panelText(StatusPanel::Messages), refusal);
        QCOMPARE(w.cboUrl()->currentText(), QString("  javaScript:alert(document.cookie)"));
        // Addresses that only hold the word still open.
        enterAddress(w, "javascript.example/javascript:");
        QCOMPARE(wb->navigated, QStringList{"javascript.example/javascript:"});
    }

    void goButtonAndMenuNavigateUnchanged() {
        WindowTestEnvironment env;
        FrmMain& w = activeMainWindow();
        ScriptedBrowser* wb = env.firstEngine();
        wb->navigated.clear();
        retype(w.cboUrl(), "example.com");
        click(w.button("xpcmdGo"));
        QVERIFY(chooseMenuItem(&w, "Navigate", "Go!"));
        QCOMPARE(wb->navigated, QStringList({"example.com", "example.com"}));
        QCOMPARE(w.cboUrl()->currentText(), QString("example.com"));
    }

    void navigationButtonsAndMenuItems() {
        WindowTestEnvironment env;
        FrmMain& w = activeMainWindow();
        ScriptedBrowser* wb = env.firstEngine();
        wb->goBackResult = false;  // nothing to go back to: nothing happens
        for (const char* name : {"xpcmdBack", "xpcmdForward", "xpcmdRefresh"})
            click(w.button(name));
        for (const char* item : {"Back", "Forward", "Refresh", "Home", "Stop"})
            QVERIFY2(chooseMenuItem(&w, "Navigate", item), item);
        QCOMPARE(wb->goBackCalls, 2);
        QCOMPARE(wb->goForwardCalls, 2);
        QCOMPARE(wb->refreshCalls, 2);
        QCOMPARE(wb->goHomeCalls, 1);
        QCOMPARE(wb->stopCalls, 1);
        QCOMPARE(env.messages.size(), 0);
        // The engine disables BACK: a click on it does nothing, the menu item still works.
        wb->fireCommandStateChange(2, false);
        click(w.button("xpcmdBack"));
        QCOMPARE(wb->goBackCalls, 2);
        QVERIFY(chooseMenuItem(&w, "Navigate", "Back"));
        QCOMPARE(wb->goBackCalls, 3);
    }

    void menusAsTabled() {
        WindowTestEnvironment env;
        FrmMain& w = frmMain();
        QStringList titles;
        for (QAction* a : w.menuBar()->actions()) titles << a->text();
        QCOMPARE(titles, QStringList({"Navigate", "Tools", "Favorites", "Settings"}));
        const QList<QAction*> top = w.menuBar()->actions();
        QStringList nav, tools;
        for (QAction* a : top[0]->menu()->actions()) nav << a->text();
        for (QAction* a : top[1]->menu()->actions()) tools << a->text();
        QCOMPARE(nav, QStringList({"Go!", "Home", "Refresh", "Back", "Forward", "Stop"}));
        QCOMPARE(tools, QStringList({"Find In Page...", "Internet Options...", "Page Properties...",
                                     "Print Page...", "Save Page As...", "View Page Source..."}));
        QVERIFY(!top[2]->menu() && !top[3]->menu());
    }

    void toolsActOnTheirOwnWindowButSourceOnTheFirst() {
        WindowTestEnvironment env;
        frmMain();
        ScriptedBrowser* first = env.firstEngine();
        first->locationName = "First page";
        first->markup = "<body>first</body>";
        first->activeTagName = "A";
        auto* second = qobject_cast<ScriptedBrowser*>(first->fireNewWindow2().ppDisp);
        QVERIFY(second);
        auto* secondWindow = qobject_cast<FrmMain*>(second->widget()->window());
        QVERIFY(secondWindow);
        for (const char* item :
             {"Find In Page...", "Page Properties...", "Print Page...", "Save Page As..."})
            QVERIFY2(chooseMenuItem(secondWindow, "Tools", item), item);
        const QList<QPair<int, int>> expected = {{32, 0}, {10, 0}, {6, 0}, {4, 0}};
        QCOMPARE(second->execCalls, expected);
        QVERIFY(first->execCalls.isEmpty());
        // A refused command (no page yet) changes nothing and says nothing.
        second->execResult = false;
        QVERIFY(chooseMenuItem(secondWindow, "Tools", "Print Page..."));
        QCOMPARE(env.messages.size(), 0);
        QVERIFY(chooseMenuItem(secondWindow, "Tools", "View Page Source..."));
        QCOMPARE(frmSource().windowTitle(), QString("view-source: First page"));
        QCOMPARE(frmSource().rtbSource()->toPlainText(), QString("<body>first</body>"));
        secondWindow->close();
    }

    void searchEncodesTheWords() {
        WindowTestEnvironment env;
        FrmMain& w = activeMainWindow();
        ScriptedBrowser* wb = env.firstEngine();
        wb->navigated.clear();
        click(w.txtSearch());
        type(&w, "AT&T c++ #1 100% caf\u00e9");
        pressKey(&w, Qt::Key_Return);
        QCOMPARE(wb->navigated,
                 QStringList{"http://www.google.com/search?hl=en&q=AT%26T+c%2B%2B+%231+100%25+"
                             "caf%C3%A9&btnG=Google+Search"});
        QCOMPARE(w.windowTitle(), QString("WebBrowser - Search Results"));
        // Enter leaves the typed words in place; the button searches the same way.
        QCOMPARE(w.txtSearch()->text(), QString("AT&T c++ #1 100% caf\u00e9"));
        click(w.button("xpcmdSearch"));
        QCOMPARE(wb->navigated.size(), 2);
        QCOMPARE(wb->navigated[1], wb->navigated[0]);
    }

    void searchBoxHint() {
        WindowTestEnvironment env;
        FrmMain& w = activeMainWindow();
        QCOMPARE(w.txtSearch()->text(), QString("Search..."));
        click(w.txtSearch());
        QCOMPARE(w.txtSearch()->text(), QString());
        type(&w, "words");
        // The search button takes the focus, then gives it up to the address box.
        click(w.button("xpcmdSearch"));
        QCOMPARE(w.txtSearch()->text(), QString("words"));
        click(w.cboUrl());
        QCOMPARE(w.txtSearch()->text(), QString("SEARCH..."));
    }

    // The messages panel follows the load; a load that failed, was stopped or was refused keeps
    // the engine's last message after it ends.
    void statusMessages_data() {
        QTest::addColumn<QString>("endMessage");
        QTest::addColumn<bool>("succeeded");
        QTest::addColumn<QString>("panelAfterwards");
        QTest::newRow("loaded") << "Done" << true << "Document Loaded.";
        QTest::newRow("failed") << "Could not load http://127.0.0.1:9/" << false
                                << "Could not load http://127.0.0.1:9/";
        QTest::newRow("stopped") << "Stopped" << false << "Stopped";
    }
    void statusMessages() {
        QFETCH(QString, endMessage);
        QFETCH(bool, succeeded);
        QFETCH(QString, panelAfterwards);
        WindowTestEnvironment env;
        FrmMain& w = frmMain();
        ScriptedBrowser* wb = env.firstEngine();
        const auto messages = [&w] { return w.stbStatus()->panelText(StatusPanel::Messages); };
        wb->fireDownloadBegin();
        QCOMPARE(messages(), QString("Starting Download..."));
        wb->fireStatusTextChange(endMessage);
        QCOMPARE(messages(), endMessage);
        wb->fireDownloadComplete(succeeded);
        if (succeeded) QCOMPARE(messages(), QString("Download Finished..."));
        wb->fireDocumentComplete(succeeded);
        QCOMPARE(messages(), panelAfterwards);
        // A link the pointer rests on afterwards is shown, whatever the load's end.
        wb->fireStatusTextChange("http://example.com/link");
        QCOMPARE(messages(), QString("http://example.com/link"));
        wb->locationName = "Page Title";
        wb->fireTitleChange("ignored");
        QCOMPARE(w.windowTitle(), QString("Page Title"));
    }

    void progressBar() {
        WindowTestEnvironment env;
        FrmMain& w = frmMain();
        ScriptedBrowser* wb = env.firstEngine();
        ProgressBar* bar = w.proLoad();
        wb->fireProgressChange(50, 200);
        QVERIFY(bar->isVisibleTo(&w));
        QCOMPARE(bar->value(), 25.0f);
        wb->fireProgressChange(1, 3);  // not rounded
        QCOMPARE(bar->value(), static_cast<float>(100.0 / 3));
        wb->fireProgressChange(150, 100);  // refused: the bar keeps its value
        QVERIFY(bar->isVisibleTo(&w));
        QCOMPARE(bar->value(), static_cast<float>(100.0 / 3));
        wb->fireProgressChange(21474837, 100);  // hundredfold overflows 32 bits
        QVERIFY(bar->isVisibleTo(&w));
        QCOMPARE(bar->value(), static_cast<float>(100.0 / 3));
        wb->fireProgressChange(21474836, 100000000);  // just fits
        QCOMPARE(bar->value(), static_cast<float>(2147483600.0 / 100000000));
        wb->fireProgressChange(0, 100);
        QVERIFY(!bar->isVisibleTo(&w));
        wb->fireProgressChange(10, 0);
        QVERIFY(!bar->isVisibleTo(&w));
        wb->fireProgressChange(-1, 100);  // finished
        QVERIFY(!bar->isVisibleTo(&w));
        QCOMPARE(bar->value(), 100.0f);
    }

    void backAndForwardFollowCommandState() {
        WindowTestEnvironment env;
        FrmMain& w = frmMain();
        ScriptedBrowser* wb = env.firstEngine();
        xpcmdbutton* back = w.button("xpcmdBack");
        xpcmdbutton* forward = w.button("xpcmdForward");
        wb->fireCommandStateChange(2, false);
        wb->fireCommandStateChange(1, false);
        QVERIFY(!back->Enabled() && !forward->Enabled());
        wb->fireCommandStateChange(2, true);
        QVERIFY(back->Enabled() && !forward->Enabled());
        wb->fireCommandStateChange(-1, true);
        wb->fireCommandStateChange(0, true);
        QVERIFY(back->Enabled() && !forward->Enabled());
        wb->fireCommandStateChange(1, true);
        QVERIFY(forward->Enabled());
        // The menu items never follow.
        QVERIFY(w.menuItem("mnuBack")->isEnabled() && w.menuItem("mnuForward")->isEnabled());
    }

    // Nothing else runs inside an engine's event: not a timer due, nor a window's deletion.
    void engineEventsRunNothingElse() {
        WindowTestEnvironment env;
        frmMain();
        ScriptedBrowser* wb = env.firstEngine();
        const std::function<void()> events[] = {[&] { wb->fireStatusTextChange("Text"); },
                                                [&] { wb->fireProgressChange(1, 10); },
                                                [&] { wb->fireCommandStateChange(2, true); },
                                                [&] { wb->fireCommandStateChange(1, false); },
                                                [&] { wb->fireDownloadBegin(); },
                                                [&] { wb->fireDownloadComplete(true); },
                                                [&] { wb->fireTitleChange("Title"); },
                                                [&] { wb->fireNavigateComplete2(); },
                                                [&] { wb->fireDocumentComplete(true); }};
        for (const auto& fire : events) {
            bool ran = false;
            QTimer::singleShot(0, [&ran] { ran = true; });
            fire();
            QVERIFY(!ran);
            QTRY_VERIFY(ran);
        }
    }

    void completedNavigationsMakeTheHistory() {
        WindowTestEnvironment env;
        FrmMain& w = frmMain();
        ScriptedBrowser* wb = env.firstEngine();
        for (const QString& url : {"http://a/", "http://b/", "http://c/", "http://a/"}) {
            wb->locationURL = url;
            wb->locationName = "Title of " + url;
            wb->fireNavigateComplete2();
        }
        QCOMPARE(w.cboUrl()->count(), 3);
        QCOMPARE(w.cboUrl()->itemText(0), QString("http://a/"));
        QCOMPARE(w.cboUrl()->itemText(1), QString("http://c/"));
        QCOMPARE(w.cboUrl()->itemText(2), QString("http://b/"));
        QCOMPARE(w.cboUrl()->currentText(), QString("http://a/"));
        QCOMPARE(w.windowTitle(), QString("Title of http://a/"));
        // Comparison is exact: another letter case is another address.
        wb->locationURL = "http://A/";
        wb->fireNavigateComplete2();
        QCOMPARE(w.cboUrl()->count(), 4);
    }

    // A page that completes while the user types a new address takes neither the typed text
    // nor the selection of all the box's text (which the next key replaces) from the user.
    void aCompletedNavigationLeavesTypingAlone() {
        WindowTestEnvironment env;
        FrmMain& w = activeMainWindow();
        ScriptedBrowser* wb = env.firstEngine();
        wb->locationURL = "about:blank";
        wb->fireNavigateComplete2();
        click(w.cboUrl());
        pressKey(&w, Qt::Key_A, Qt::ControlModifier);
        wb->fireNavigateComplete2();
        type(&w, "http://typ");
        wb->locationURL = "http://other/";
        wb->fireNavigateComplete2();
        type(&w, "ed/");
        QCOMPARE(w.cboUrl()->currentText(), QString("http://typed/"));
        QCOMPARE(w.cboUrl()->itemText(0), QString("http://other/"));
    }

    void popUpTest_data() {
        QTest::addColumn<std::optional<QString>>("tag");
        QTest::addColumn<bool>("blocked");
        QTest::newRow("no document") << std::optional<QString>() << true;
        QTest::newRow("body") << std::optional<QString>("BODY") << true;
        QTest::newRow("iframe") << std::optional<QString>("IFRAME") << true;
        QTest::newRow("lower-case body") << std::optional<QString>("body") << false;
        QTest::newRow("link") << std::optional<QString>("A") << false;
        QTest::newRow("button") << std::optional<QString>("BUTTON") << false;
    }
    void popUpTest() {
        QFETCH(std::optional<QString>, tag);
        QFETCH(bool, blocked);
        WindowTestEnvironment env;
        frmMain();
        ScriptedBrowser* wb = env.firstEngine();
        wb->activeTagName = tag;
        const auto answer = wb->fireNewWindow2();
        QCOMPARE(answer.Cancel, blocked);
        QCOMPARE(answer.ppDisp == nullptr, blocked);
        QCOMPARE(env.engines().size(), blocked ? 1 : 2);
        if (!blocked) {
            // The new window ran its whole load and is shown.
            auto* second = qobject_cast<ScriptedBrowser*>(answer.ppDisp);
            QVERIFY(second && second != wb);
            QCOMPARE(second->navigated, QStringList{"about:blank"});
            QVERIFY(second->widget()->window()->isVisible());
        }
    }

    void layoutOfTenThousandTwips() {
        WindowTestEnvironment env;
        FrmMain& w = frmMain();
        w.layOut(10000, 6000);
        QWidget* web = w.wbMain()->widget();
        QCOMPARE(twipsWidth(web), 9700.0f);
        QCOMPARE(twipsHeight(web), 5200.0f);
        QCOMPARE(twipsWidth(w.cboUrl()), 3500.0f);
        QCOMPARE(twipsLeft(w.button("xpcmdGo")), 6050.0f);
        QCOMPARE(twipsLeft(w.txtSearch()), 6915.0f);
        QCOMPARE(twipsLeft(w.button("xpcmdSearch")), 8985.0f);
        QCOMPARE(twipsTop(w.proLoad()), 5775.0f);
        QCOMPARE(twipsWidth(w.proLoad()), 3600.0f);
        QCOMPARE(twipsLeft(w.proLoad()), 9000.0f);

        // Narrower than 6500: the address box keeps its width, the rest follows from it.
        w.layOut(6000, 700);
        QCOMPARE(twipsWidth(w.cboUrl()), 3500.0f);
        QCOMPARE(twipsLeft(w.button("xpcmdGo")), 6050.0f);
        QCOMPARE(twipsWidth(web), 5700.0f);
        QCOMPARE(twipsHeight(web), 5200.0f);  // 700 - 800 is refused
        QCOMPARE(twipsTop(w.proLoad()), 5775.0f);
    }

    void closingTheFirstWindowUnloadsTheToolWindows() {
        WindowTestEnvironment env;
        FrmMain& w = frmMain();
        frmSettings();
        frmFavorites();
        frmSource();
        frmOptions();
        QVERIFY(frmSettingsLoaded() && frmFavoritesLoaded() && frmSourceLoaded());
        w.close();
        settle();
        QVERIFY(!frmMainLoaded());
        QVERIFY(!frmSettingsLoaded() && !frmFavoritesLoaded() && !frmSourceLoaded());
        QVERIFY(!frmOptionsLoaded());
        // The favorites window wrote its file as it unloaded.
        QVERIFY(QFile::exists(env.path("favorites.fav")));
    }

    void closingAnAdditionalWindowClosesTheFirstToo() {
        WindowTestEnvironment env;
        frmMain();
        env.firstEngine()->activeTagName = "A";
        auto* second = qobject_cast<ScriptedBrowser*>(env.firstEngine()->fireNewWindow2().ppDisp);
        QVERIFY(second);
        QPointer<QWidget> secondWindow = second->widget()->window();
        secondWindow->close();
        settle();
        QVERIFY(!frmMainLoaded());
        QVERIFY(!frmSettingsLoaded());
        QVERIFY(!secondWindow);
    }

    void hidingTheStatusBarKeepsThePageInsideTheWindow() {
        WindowTestEnvironment env;
        FrmMain& w = activeMainWindow();
        QVERIFY(chooseMenuItem(&w, "Settings"));
        click(frmSettings().button("xpcmdHide"));
        QVERIFY(!w.stbStatus()->isVisibleTo(&w));
        QWidget* web = w.wbMain()->widget();
        QCOMPARE(web->geometry().bottom(), w.centralWidget()->height() - 1);
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
