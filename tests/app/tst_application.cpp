// The application object: the browser windows it opens and keeps, and quitting.

#include <QDialog>
#include <QFile>
#include <QPrinter>
#include <QtTest>

#include "app/application.h"
#include "browser/frmmain.h"
#include "favorites/frmfavorites.h"
#include "forms/prompts.h"
#include "support/windowtestbase.h"

using namespace skiff;
using namespace skiff::test;

namespace {

FrmMain* windowOf(WebBrowser* wb) {
    return wb ? qobject_cast<FrmMain*>(wb->widget()->window()) : nullptr;
}

// A question to the user over a window; true when answered yes.
using Ask = std::function<bool(QWidget*)>;

}  // namespace

Q_DECLARE_METATYPE(Ask)

class TestApplication : public QObject {
    Q_OBJECT
private slots:
    void startOpensAWindowForEachAddress() {
        WindowTestEnvironment env;
        const QStringList addresses{"first.example", "second.example", "third.example"};
        env.app().start(addresses);
        const QList<FrmMain*> windows = env.app().browserWindows();
        QCOMPARE(windows.size(), 3);
        QCOMPARE(windows[0], &frmMain());
        for (int i = 0; i < 3; ++i) {
            QVERIFY(windows[i]->isVisible());
            QCOMPARE(windows[i]->wbMain(), env.engines()[i]);
            QCOMPARE(env.engines()[i]->navigated, QStringList{addresses[i]});
        }
    }

    void windowsPagesOpenAreKeptAndQuitClosesThemAll() {
        WindowTestEnvironment env;
        env.app().start({});
        ScriptedBrowser* first = env.firstEngine();
        first->activeTagName = "A";
        FrmMain* second = windowOf(first->fireNewWindow2().ppDisp);
        FrmMain* third = windowOf(first->fireNewWindow2().ppDisp);
        QVERIFY(second && third && second != third);
        QCOMPARE(env.app().browserWindows(), (QList<FrmMain*>{&frmMain(), second, third}));
        // The components of the windows a page opened were made for its requests.
        QCOMPARE(env.engines().size(), 3);
        QVERIFY(!first->openedByPage);
        QVERIFY(env.engines()[1]->openedByPage && env.engines()[2]->openedByPage);

        frmFavorites();  // a tool window: it goes with the first browser window
        // The program is asked to end, as by a signal or the end of the desktop session.
        QSignalSpy quitDone(&env.app(), &Application::quitDone);
        env.app().quit();
        // Each window goes once its page agreed to close, the first one first.
        QTRY_COMPARE(quitDone.size(), 1);
        settle();
        QCOMPARE(env.app().browserWindows(), QList<FrmMain*>{});
        QVERIFY(!frmMainLoaded() && !frmFavoritesLoaded());
        QVERIFY(QFile::exists(env.path("favorites.fav")));
        // Quitting again does nothing more.
        env.app().quit();
        QCOMPARE(quitDone.size(), 1);
    }

    // The program is told to end (a signal, a logout) while a dialog of the first window waits
    // for the user. The dialog goes unanswered, the code that showed it goes on with its window
    // still there, and only then do the windows close.
    void endingTakesAwayTheOpenDialogFirst_data() {
        QTest::addColumn<Ask>("ask");
        QTest::newRow("save") << Ask([](QWidget* parent) {
            return askSavePath(parent, "Save File", "name.bin", {}).has_value();
        });
        QTest::newRow("print") << Ask([](QWidget* parent) {
            QPrinter printer;
            return askPrintSettings(parent, &printer);
        });
        QTest::newRow("yes or no")
            << Ask([](QWidget* parent) { return askYesNo(parent, "Question", "Go on?"); });
    }
    void endingTakesAwayTheOpenDialogFirst() {
        QFETCH(Ask, ask);
        WindowTestEnvironment env;
        env.app().start({});
        frmFavorites();
        settle();
        QSignalSpy quitDone(&env.app(), &Application::quitDone);
        const QPointer<FrmMain> window = &frmMain();
        bool shown = false;
        QTimer::singleShot(200, &env.app(), [&] {
            const QWidgetList windows = QApplication::topLevelWidgets();
            shown = std::any_of(windows.begin(), windows.end(), [](QWidget* w) {
                return qobject_cast<QDialog*>(w) && w->isVisible();
            });
            env.app().end();
        });
        QVERIFY(!ask(window));
        QVERIFY(shown);
        QVERIFY(window && window->isVisible());
        QCOMPARE(quitDone.size(), 0);
        QTRY_COMPARE(quitDone.size(), 1);
        settle();
        QVERIFY(!window && !frmFavoritesLoaded());
        QVERIFY(QFile::exists(env.path("favorites.fav")));
    }
};

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
