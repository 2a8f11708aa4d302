// The favorites window on its file, with a scripted first browser window.

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QtTest>

#include "browser/frmmain.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "favorites/frmfavorites.h"
#include "support/filefaults.h"
#include "support/windowtestbase.h"

using namespace skiff;
using namespace skiff::test;

namespace {

QByteArray fileBytes(const WindowTestEnvironment& env) {
    QFile f(env.path("favorites.fav"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const WindowTestEnvironment& env, const QByteArray& bytes) {
    QFile f(env.path("favorites.fav"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList entries() {
    QStringList out;
    QListWidget* list = frmFavorites().lstFavorites();
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

void click(const QString& name) {
    emit frmFavorites().button(name)->Click();
}

void closeFavorites() {
    frmFavorites().close();
    settle();
}

}  // namespace

class TestFrmFavorites : public QObject {
    Q_OBJECT
private slots:
    void firstOpeningWithoutAFile() {
        WindowTestEnvironment env;
        QCOMPARE(entries(), QStringList{"http://skiff-browser.org/Apps"});
        QCOMPARE(fileBytes(env), QByteArray("\r\n"));
        // The count shows from the first tick of the 500 ms timer on.
        QCOMPARE(frmFavorites().lblNumber()->text(), QString());
        QTRY_COMPARE(frmFavorites().lblNumber()->text(), QString("1"));
        closeFavorites();
        QCOMPARE(fileBytes(env), QByteArray("http://skiff-browser.org/Apps\r\n"));
    }

    void addingAndRemovingSurviveARestartByteForByte() {
        WindowTestEnvironment env;
        writeFile(env, "http://a.example/\r\nhttp://b.example/?x=1,2&y=\"q\"");
        QCOMPARE(entries(), QStringList({"http://a.example/", "http://b.example/?x=1,2&y=\"q\""}));
        click("xpcmdAdd");  // the box still holds "http://"
        click("xpcmdAdd");
        frmMain().cboUrl()->setEditText("typed but not visited");
        click("xpcmdCurrent");
        QCOMPARE(frmFavorites().txtLink()->text(), QString("http://"));
        closeFavorites();
        QCOMPARE(fileBytes(env), QByteArray("http://a.example/\r\nhttp://b.example/?x=1,2&y=\"q\""
                                            "\r\nhttp://\r\nhttp://\r\ntyped but not visited\r\n"));
        const QByteArray saved = fileBytes(env);
        frmFavorites();
        closeFavorites();
        QCOMPARE(fileBytes(env), saved);
    }

    void emptyLinesNoLongerEndTheList() {
        WindowTestEnvironment env;
        writeFile(env, "first\r\n\r\nsecond\r\n");
        QCOMPARE(entries(), QStringList({"first", "second"}));
        frmFavorites().txtLink()->clear();
        click("xpcmdAdd");  // an empty entry
        click("xpcmdAdd");
        frmFavorites().txtLink()->setText("after");
        click("xpcmdAdd");
        closeFavorites();
        QCOMPARE(entries(), QStringList({"first", "second", "after"}));
    }

    void removeAllGivesAnEmptyFile() {
        WindowTestEnvironment env;
        writeFile(env, "one\r\ntwo\r\n");
        frmFavorites().lstFavorites()->setCurrentRow(1);
        click("xpcmdRemove");
        QCOMPARE(entries(), QStringList{"one"});
        QCOMPARE(frmFavorites().lstFavorites()->currentRow(), -1);
        // Pressing again with nothing selected shows the message and changes nothing.
        click("xpcmdRemove");
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].first,
                 QString("Please select a site to remove in the List and then select Remove"));
        QCOMPARE(env.messages[0].second, QString("Error In Removing Site"));
        QCOMPARE(entries(), QStringList{"one"});
        frmFavorites().lstFavorites()->setCurrentRow(0);
        frmFavorites().findChild<QAction*>("mnuMainRemove")->trigger();
        QCOMPARE(entries(), QStringList());
        closeFavorites();
        QCOMPARE(fileBytes(env), QByteArray());
        // The file exists, so the next opening shows an empty list and no default entry.
        QCOMPARE(entries(), QStringList());
    }

    void rightClickShowsThePopUpAndSelectsNothing() {
        WindowTestEnvironment env;
        writeFile(env, "one\r\ntwo\r\n");
        FrmFavorites& w = frmFavorites();
        w.show();
        QListWidget* list = w.lstFavorites();
        const QPoint onSecond = list->visualItemRect(list->item(1)).center();
        QTimer::singleShot(0, w.mnuMain(), [&w] { w.mnuMain()->close(); });
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, onSecond);
        QCOMPARE(list->currentRow(), -1);
    }

    void doubleClickOpensTheEntryInTheFirstBrowserWindow() {
        WindowTestEnvironment env;
        writeFile(env, "example.com/fav\r\n");
        FrmMain& main = frmMain();
        ScriptedEngine* wb = env.firstEngine();
        wb->navigated.clear();
        frmFavorites().lstFavorites_DblClick();  // nothing selected: nothing happens
        QCOMPARE(wb->navigated, QStringList());
        frmFavorites().lstFavorites()->setCurrentRow(0);
        frmFavorites().lstFavorites_DblClick();
        QCOMPARE(wb->navigated, QStringList{"example.com/fav"});
        QCOMPARE(main.cboUrl()->currentText(), QString("example.com/fav"));
    }

    void aFailedSaveKeepsTheOldFileAndSaysSo() {
        WindowTestEnvironment env;
        QVERIFY(enforceFilePermissions());
        writeFile(env, "kept\r\n");
        QFile(env.path("favorites.fav")).setPermissions(QFile::ReadOwner);
        frmFavorites().txtLink()->setText("lost?");
        click("xpcmdAdd");
        closeFavorites();
        QCOMPARE(fileBytes(env), QByteArray("kept\r\n"));
        QCOMPARE(env.messages.size(), 1);
        QVERIFY(env.messages[0].first.contains("favorites.fav"));
    }

    void anUnreadableFileIsNotOverwritten() {
        WindowTestEnvironment env;
        QVERIFY(enforceFilePermissions());
        writeFile(env, "secret\r\n");
        QFile(env.path("favorites.fav")).setPermissions(QFile::WriteOwner);
        QCOMPARE(entries(), QStringList());
        QCOMPARE(env.messages.size(), 1);
        closeFavorites();
        QFile(env.path("favorites.fav")).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(fileBytes(env), QByteArray("secret\r\n"));
    }

    void openingTheMenuAgainDoesNotReadTheFileAgain() {
        WindowTestEnvironment env;
        writeFile(env, "one\r\n");
        FrmMain& main = frmMain();
        main.menuItem("mnuFavorites")->trigger();
        QVERIFY(frmFavorites().isVisible());
        writeFile(env, "changed\r\n");
        main.menuItem("mnuFavorites")->trigger();
        QCOMPARE(entries(), QStringList{"one"});
    }
};

QTEST_MAIN(TestFrmFavorites)
#include "tst_frmfavorites.moc"
