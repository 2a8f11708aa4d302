// The application object: the browser windows it opens and keeps, and quitting.

#include <QFile>
#include <QtTest>

#include "app/application.h"
#include "browser/frmmain.h"
#include "favorites/frmfavorites.h"
#include "support/windowtestbase.h"

using namespace skiff;
using namespace skiff::test;

namespace {

FrmMain* windowOf(WebBrowser* wb) {
    return wb ? qobject_cast<FrmMain*>(wb->widget()->window()) : nullptr;
}

}  // namespace

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
};

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
