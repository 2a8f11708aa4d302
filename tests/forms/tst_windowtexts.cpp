// Every label, caption and check box text of the windows fits the width its window gives it,
// and the text boxes keep whatever is typed or pasted into them.

#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "browser/frmmain.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "core/settingsstore.h"
#include "favorites/frmfavorites.h"
#include "internetoptions/internetoptions.h"
#include "pagetools/findbar.h"
#include "pagetools/pagepropertiesdialog.h"
#include "settings/frmsettings.h"
#include "support/textfit.h"
#include "support/userinput.h"
#include "support/windowtestbase.h"

using namespace skiff;
using namespace skiff::test;

class TestWindowTexts : public QObject {
    Q_OBJECT
private slots:
    void everyTextFits() {
        WindowTestEnvironment env;
        frmMain().show();
        frmFavorites().show();
        QTRY_COMPARE(frmFavorites().lblNumber()->text(), QString("1"));
        frmSettings().show();
        frmOptions().show();
        test::ScriptedBrowser page;
        page.widget()->resize(800, 600);
        auto* find = new FindBar(&page);
        find->open();
        PagePropertiesDialog properties(nullptr);
        properties.showProperties({"A title", "http://127.0.0.1/a", "http", "text/html", "UTF-8",
                                   1234, false, false, QDateTime(QDate(2026, 12, 8), QTime(9, 0))});
        properties.show();

        const QList<QWidget*> windows{&frmMain(), &frmFavorites(), &frmSettings(), &frmOptions(),
                                      find,       &properties};
        for (QWidget* w : windows)
            QVERIFY2(textsThatDoNotFit(w).isEmpty(),
                     qPrintable(w->windowTitle() + ": " + textsThatDoNotFit(w).join(", ")));
    }

    // An address far longer than a text box's usual limit, pasted, is kept whole: in the
    // address box, which navigates to it, and in the start-up page box, which stores it.
    void longAddressesAreKeptWhole() {
        WindowTestEnvironment env;
        const QString address = "http://pages.test/?q=" + QString(40000, 'x');
        QGuiApplication::clipboard()->setText(address);
        const auto paste = [](QWidget* box) {
            QVERIFY(showActive(box->window()));
            click(box);
            pressKey(box, 'a', Qt::ControlModifier);
            pressKey(box, 'v', Qt::ControlModifier);
        };

        paste(frmMain().cboUrl());
        pressKey(frmMain().cboUrl(), Qt::Key_Return);
        QCOMPARE(env.firstEngine()->navigated.last(), address);

        paste(frmSettings().txtStartupPage());
        click(frmSettings().button("xpcmdSave"));
        QCOMPARE(GetSetting("Web Browser", "Settings", "Start-Up Page", ""), address);
    }
};

QTEST_MAIN(TestWindowTexts)
#include "tst_windowtexts.moc"
