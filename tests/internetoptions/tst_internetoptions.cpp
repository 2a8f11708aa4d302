// Skiff's own Internet Options window, with the real engine and pages on 127.0.0.1.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "browser/frmmain.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "engine/engineoptions.h"
#include "engine/webbrowser.h"
#include "internetoptions/internetoptions.h"
#include "support/loopbackserver.h"
#include "support/userinput.h"
#include "support/windowtestbase.h"

using namespace skiff;
using namespace skiff::test;

namespace {

constexpr int kLoadWait = 20000;

// The options window, shown and active.
FrmOptions& shownOptions() {
    FrmOptions& w = frmOptions();
    if (!showActive(&w)) qWarning("the options window did not become active");
    return w;
}

void press(const QString& button) {
    click(shownOptions().button(button));
}

}  // namespace

class TestInternetOptions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        server_.addPage("/home", "<html><head><title>Home</title></head><body></body></html>");
        server_.addPage("/script",
                        "<html><head><title>before</title></head><body>"
                        "<script>document.title = 'after';</script></body></html>");
    }

    void okStoresTheOptionsAndHomeUsesTheHomePage() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        QVERIFY(showActive(&w));
        QVERIFY(chooseMenuItem(&w, "Tools", "Internet Options..."));
        QVERIFY(frmOptions().isVisible());
        QCOMPARE(frmOptions().txtHomePage()->text(), QString("http://www.google.com/"));
        retype(frmOptions().txtHomePage(), server_.url("/home").toString());
        press("xpcmdOK");
        QVERIFY(!frmOptionsLoaded());
        QCOMPARE(EngineOptions::load().homePage(), server_.url("/home").toString());

        QSignalSpy done(w.wbMain(), &WebBrowser::DocumentComplete);
        QVERIFY(chooseMenuItem(&w, "Navigate", "Home"));
        QTRY_COMPARE_WITH_TIMEOUT(w.wbMain()->LocationURL(), server_.url("/home").toString(),
                                  kLoadWait);
    }

    void cancelKeepsTheStoredOptions() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        retype(shownOptions().txtHomePage(), "http://changed.example/");
        click(frmOptions().chkImages());
        QVERIFY(!frmOptions().chkImages()->isChecked());
        press("xpcmdCancel");
        QVERIFY(!frmOptionsLoaded());
        QCOMPARE(EngineOptions::load(), EngineOptions());
    }

    void javaScriptCanBeSwitchedOff() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        click(shownOptions().chkJavaScript());
        QVERIFY(!frmOptions().chkJavaScript()->isChecked());
        press("xpcmdOK");
        QSignalSpy done(w.wbMain(), &WebBrowser::DocumentComplete);
        w.wbMain()->Navigate(server_.url("/script").toString());
        QVERIFY(done.wait(kLoadWait));
        QTRY_COMPARE(w.wbMain()->LocationName(), QString("before"));
        QTest::qWait(200);
        QCOMPARE(w.wbMain()->LocationName(), QString("before"));
        // Back on, the script runs again.
        click(shownOptions().chkJavaScript());
        QVERIFY(frmOptions().chkJavaScript()->isChecked());
        press("xpcmdOK");
        w.wbMain()->Navigate(server_.url("/script").toString() + "?again");
        QTRY_COMPARE_WITH_TIMEOUT(w.wbMain()->LocationName(), QString("after"), kLoadWait);
    }

    void clearingSaysWhatWasCleared() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        press("xpcmdClearCache");
        QCOMPARE(frmOptions().lblCleared()->text(), QString("Cache cleared."));
        press("xpcmdClearCookies");
        QCOMPARE(frmOptions().lblCleared()->text(), QString("Cookies cleared."));
    }

private:
    LoopbackServer server_;
};

QTEST_MAIN(TestInternetOptions)
#include "tst_internetoptions.moc"
