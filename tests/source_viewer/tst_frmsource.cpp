// The page source window, reading a scripted first browser window.

#include <QPlainTextEdit>
#include <QtTest>

#include "browser/frmmain.h"
#include "forms/twipgeometry.h"
#include "source_viewer/frmsource.h"
#include "support/userinput.h"
#include "support/windowtestbase.h"

using namespace skiff;
using namespace skiff::test;

class TestFrmSource : public QObject {
    Q_OBJECT
private slots:
    void showsTheMarkupTakenOnceAtLoad() {
        WindowTestEnvironment env;
        FrmMain& main = frmMain();
        QVERIFY(showActive(&main));
        ScriptedBrowser* wb = env.firstEngine();
        wb->locationName = "Page A";
        wb->markup = "<head><title>Page A</title></head><body>A</body>";
        QVERIFY(chooseMenuItem(&main, "Tools", "View Page Source..."));
        FrmSource& w = frmSource();
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), QString("view-source: Page A"));
        QCOMPARE(w.rtbSource()->toPlainText(), *wb->markup);
        // Another page later: the open window keeps what it showed.
        wb->locationName = "Page B";
        wb->markup = "<body>B</body>";
        QVERIFY(chooseMenuItem(&main, "Tools", "View Page Source..."));
        QCOMPARE(w.windowTitle(), QString("view-source: Page A"));
        QCOMPARE(w.rtbSource()->toPlainText(),
                 QString("<head><title>Page A</title></head><body>A</body>"));
        QCOMPARE(wb->markupRequests, 1);
        // Closing and opening again reads the page on display then.
        w.close();
        settle();
        QCOMPARE(frmSource().rtbSource()->toPlainText(), QString("<body>B</body>"));
    }

    void aPageWithoutADocumentShowsAnEmptyText() {
        WindowTestEnvironment env;
        frmMain();
        env.firstEngine()->markup.reset();
        QCOMPARE(frmSource().rtbSource()->toPlainText(), QString());
        QCOMPARE(frmSource().windowTitle(), QString("view-source: "));
    }

    void anAnswerAfterTheWindowClosedIsDropped() {
        WindowTestEnvironment env;
        frmMain();
        env.firstEngine()->answerMarkupLater = true;
        env.firstEngine()->markup = "late";
        frmSource().close();
        settle();
        env.firstEngine()->answerMarkup();  // must not touch the discarded window
        QVERIFY(!frmSourceLoaded());
    }

    void layoutLeavesMarginsAndKeepsRefusedSizes() {
        WindowTestEnvironment env;
        frmMain();
        FrmSource& w = frmSource();
        w.show();
        w.resize(200, 150);  // 3000 × 2250 twips
        settle();
        QCOMPARE(twipsWidth(w.rtbSource()), 2700.0f);
        QCOMPARE(twipsHeight(w.rtbSource()), 1950.0f);
        QCOMPARE(twipsLeft(w.rtbSource()), 75.0f);
        w.resize(10, 150);  // 150 twips wide: the width is refused
        settle();
        QCOMPARE(twipsWidth(w.rtbSource()), 2700.0f);
        QCOMPARE(twipsHeight(w.rtbSource()), 1950.0f);
    }
};

QTEST_MAIN(TestFrmSource)
#include "tst_frmsource.moc"
