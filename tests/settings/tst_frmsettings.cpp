// The settings window, acting on a first browser window with a scripted web component.

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QtTest>

#include "browser/frmmain.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "core/settingsstore.h"
#include "forms/prompts.h"
#include "forms/twipgeometry.h"
#include "settings/frmsettings.h"
#include "statusbar/statusbar.h"
#include "support/filefaults.h"
#include "support/userinput.h"
#include "support/windowtestbase.h"

using namespace skiff;
using namespace skiff::test;

namespace {

QString stored() {
    return GetSetting("Web Browser", "Settings", "Start-Up Page", "<absent>");
}

// The settings window, shown and active.
FrmSettings& shownSettings() {
    FrmSettings& w = frmSettings();
    if (!showActive(&w)) qWarning("the settings window did not become active");
    return w;
}

void press(const QString& button) {
    click(shownSettings().button(button));
}

void typeStartupPage(const QString& text) {
    retype(shownSettings().txtStartupPage(), text);
}

}  // namespace

class TestFrmSettings : public QObject {
    Q_OBJECT
private slots:
    void firstRunShowsAnEmptyBox() {
        WindowTestEnvironment env;
        QCOMPARE(frmSettings().txtStartupPage()->text(), QString());
        QCOMPARE(frmSettings().windowTitle(), QString("Settings"));
    }

    void useButtonsFillTheBoxAndStoreNothing() {
        WindowTestEnvironment env;
        frmMain();
        env.firstEngine()->locationURL = "http://127.0.0.1:8080/current";
        QLineEdit* box = frmSettings().txtStartupPage();
        press("xpcmdDefault");
        QCOMPARE(box->text(), QString("www.google.com"));
        press("xpcmdCurrent");
        QCOMPARE(box->text(), QString("http://127.0.0.1:8080/current"));
        env.firstEngine()->locationURL.clear();
        press("xpcmdCurrent");
        QCOMPARE(box->text(), QString());
        press("xpcmdBlank");
        QCOMPARE(box->text(), QString("about:blank"));
        QCOMPARE(stored(), QString("<absent>"));
    }

    void browsingModeActsOnTheFirstBrowserWindow() {
        WindowTestEnvironment env;
        FrmMain& w = frmMain();
        press("xpcmdOffline");
        QCOMPARE(env.firstEngine()->offlineWrites, QList<bool>{true});
        QCOMPARE(w.stbStatus()->panelText(StatusPanel::Mode), QString("OFFLiNE"));
        press("xpcmdCancel");  // the mode outlives the window
        QVERIFY(!frmSettingsLoaded());
        QCOMPARE(w.stbStatus()->panelText(StatusPanel::Mode), QString("OFFLiNE"));
        press("xpcmdOnline");
        QCOMPARE(env.firstEngine()->offlineWrites, QList<bool>({true, false}));
        QCOMPARE(w.stbStatus()->panelText(StatusPanel::Mode), QString("ONLiNE"));
    }

    void hideAndShowTheStatusBar() {
        WindowTestEnvironment env;
        FrmMain& w = frmMain();
        QVERIFY(showActive(&w));
        QWidget* web = w.wbMain()->widget();
        const float scaleHeight = w.ScaleHeight();
        for (int i = 0; i < 2; ++i) {
            press("xpcmdHide");
            QCOMPARE(twipsHeight(web), scaleHeight - 525);
            QVERIFY(!w.stbStatus()->isVisibleTo(&w));
        }
        for (int i = 0; i < 2; ++i) {
            press("xpcmdShow");
            QCOMPARE(twipsHeight(web), scaleHeight - 800);
            QVERIFY(w.stbStatus()->isVisibleTo(&w));
        }
        // Too low a window: the height is refused, the status bar still comes back.
        press("xpcmdHide");
        w.layOut(w.ScaleWidth(), 600);
        w.setWebHeight(1234);
        QVERIFY(!w.setWebHeight(600 - 800));
        QCOMPARE(twipsHeight(web), 1234.0f);
    }

    void saveStoresAndUnloads() {
        WindowTestEnvironment env;
        typeStartupPage("  example.com/home  ");
        press("xpcmdSave");
        QCOMPARE(stored(), QString("  example.com/home  "));
        QVERIFY(!frmSettingsLoaded());
        QCOMPARE(frmSettings().txtStartupPage()->text(), QString("  example.com/home  "));
        // An empty box is stored as the empty text.
        typeStartupPage("");
        press("xpcmdSave");
        QCOMPARE(stored(), QString());
    }

    void cancelAndCloseNeverWrite() {
        WindowTestEnvironment env;
        QCOMPARE(SaveSetting("Web Browser", "Settings", "Start-Up Page", "stored.example"),
                 SaveResult::Saved);
        typeStartupPage("typed.example");
        press("xpcmdCancel");
        QVERIFY(!frmSettingsLoaded());
        QCOMPARE(frmSettings().txtStartupPage()->text(), QString("stored.example"));
        typeStartupPage("typed.example");
        frmSettings().close();
        settle();
        QVERIFY(!frmSettingsLoaded());
        QCOMPARE(stored(), QString("stored.example"));
    }

    void saveThatCannotBeWrittenKeepsTheWindowAndText() {
        WindowTestEnvironment env;
        QVERIFY(enforceFilePermissions());
        QCOMPARE(SaveSetting("Web Browser", "Settings", "Start-Up Page", "old.example"),
                 SaveResult::Saved);
        const QString folder = env.path("config/Skiff");
        QVERIFY(QDir(folder).exists());
        for (const QString& f : QDir(folder).entryList(QDir::Files))
            QFile(folder + "/" + f).setPermissions(QFile::ReadOwner);
        QFile(folder).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        typeStartupPage("new.example");
        press("xpcmdSave");
        QFile(folder).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(env.messages.size(), 1);
        QVERIFY(frmSettingsLoaded());
        QCOMPARE(frmSettings().txtStartupPage()->text(), QString("new.example"));
        QCOMPARE(stored(), QString("old.example"));
    }

    // SAVE over a file the store cannot read asks first; No keeps the file and the window,
    // Yes keeps the damaged file as a backup and stores the page in a new one.
    void saveOverADamagedFileAsksFirst() {
        WindowTestEnvironment env;
        const QString file = settingsFilePath("Web Browser");
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        const QByteArray damaged("[Settings\nStart-Up%20Page=caf\xE9\n");
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(damaged) == damaged.size());
        out.close();
        QStringList questions;
        bool answer = false;
        env.app().promptAnswers.yesNo = [&](const QString& q) {
            return questions.append(q), answer;
        };
        typeStartupPage("new.example");
        for (bool yes : {false, true}) {
            answer = yes;
            press("xpcmdSave");
            QCOMPARE(questions.size(), yes ? 2 : 1);
            QVERIFY(questions.last().contains(QDir::toNativeSeparators(file)));
            QCOMPARE(frmSettingsLoaded(), !yes);
        }
        QCOMPARE(env.messages.size(), 1);
        QVERIFY(env.messages[0].first.contains(file + ".damaged"));
        QFile backup(file + ".damaged");
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QCOMPARE(backup.readAll(), damaged);
        QCOMPARE(stored(), QString("new.example"));
    }

    void openingFromTheMenuDoesNotReload() {
        WindowTestEnvironment env;
        FrmMain& w = frmMain();
        typeStartupPage("typed");
        QVERIFY(showActive(&w));
        QVERIFY(chooseMenuItem(&w, "Settings"));
        QVERIFY(frmSettings().isVisible());
        QCOMPARE(frmSettings().txtStartupPage()->text(), QString("typed"));
    }
};

QTEST_MAIN(TestFrmSettings)
#include "tst_frmsettings.moc"
