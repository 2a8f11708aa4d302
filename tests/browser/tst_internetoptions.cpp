// Skiff's own Internet Options window, with the real engine and pages on 127.0.0.1.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "browser/frmmain.h"
#include "browser/internetoptions.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "platform/engineoptions.h"
#include "platform/webbrowser.h"
#include "support/loopbackserver.h"
#include "support/windowtestbase.h"

using namespace skiff;
using namespace skiff::test;

namespace {

constexpr int kLoadWait = 20000;

void click(const QString& name) {
    emit frmOptions().button(name)->Click();
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
        w.menuItem("mnuOptions")->trigger();
        QVERIFY(frmOptions().isVisible());
        QCOMPARE(frmOptions().txtHomePage()->text(), QString("http://www.google.com/"));
        frmOptions().txtHomePage()->setText(server_.url("/home").toString());
        click("xpcmdOK");
        QVERIFY(!frmOptionsLoaded());
        QCOMPARE(EngineOptions::load().homePage(), server_.url("/home").toString());

        QSignalSpy done(w.wbMain(), &WebBrowser::DocumentComplete);
        w.menuItem("mnuHome")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w.wbMain()->LocationURL(), server_.url("/home").toString(),
                                  kLoadWait);
    }

    void cancelKeepsTheStoredOptions() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        frmOptions().txtHomePage()->setText("http://changed.example/");
        frmOptions().chkImages()->setChecked(false);
        click("xpcmdCancel");
        QVERIFY(!frmOptionsLoaded());
        QCOMPARE(EngineOptions::load(), EngineOptions());
    }

    void javaScriptCanBeSwitchedOff() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        frmOptions().chkJavaScript()->setChecked(false);
        click("xpcmdOK");
        QSignalSpy done(w.wbMain(), &WebBrowser::DocumentComplete);
        w.wbMain()->Navigate(server_.url("/script").toString());
        QVERIFY(done.wait(kLoadWait));
        QTRY_COMPARE(w.wbMain()->LocationName(), QString("before"));
        QTest::qWait(200);
        QCOMPARE(w.wbMain()->LocationName(), QString("before"));
        // Back on, the script runs again.
        frmOptions().chkJavaScript()->setChecked(true);
        click("xpcmdOK");
        w.wbMain()->Navigate(server_.url("/script").toString() + "?again");
        QTRY_COMPARE_WITH_TIMEOUT(w.wbMain()->LocationName(), QString("after"), kLoadWait);
    }

    void clearingSaysWhatWasCleared() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        click("xpcmdClearCache");
        QCOMPARE(frmOptions().lblCleared()->text(), QString("Cache cleared."));
        click("xpcmdClearCookies");
        QCOMPARE(frmOptions().lblCleared()->text(), QString("Cookies cleared."));
    }

private:
    LoopbackServer server_;
};

QTEST_MAIN(TestInternetOptions)
#include "tst_internetoptions.moc"
