// Every label, caption and check box text of the windows fits the width its window gives it.

#include <QLabel>
#include <QWebEngineView>
#include <QtTest>

#include "browser/frmmain.h"
#include "browser/internetoptions.h"
#include "favorites/frmfavorites.h"
#include "platform/findbar.h"
#include "platform/pageproperties.h"
#include "settings/frmsettings.h"
#include "support/textfit.h"
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
        QWebEngineView view;
        view.resize(800, 600);
        auto* find = new FindBar(&view);
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
};

QTEST_MAIN(TestWindowTexts)
#include "tst_windowtexts.moc"
