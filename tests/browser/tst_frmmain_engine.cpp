// The browser window on the real engine, against pages served on 127.0.0.1.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

#include "browser/frmmain.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "core/settingsstore.h"
#include "engine/webbrowser.h"
#include "statusbar/progressbar.h"
#include "statusbar/statusbar.h"
#include "support/browsertest.h"
#include "support/loopbackserver.h"
#include "support/userinput.h"
#include "support/windowtestbase.h"
#include "support/xinput.h"

using namespace skiff;
using namespace skiff::test;

namespace {

constexpr int kLoadWait = 20000;

QVariant runScript(FrmMain& w, const QString& script) {
    return test::runScript(*w.wbMain(), script, kLoadWait).value_or(QString());
}

// Types `address` into the address box, presses Enter and waits for that page to complete.
// The start-up page (about:blank) may still complete after the Enter: its end does not count.
bool enterAndWait(FrmMain& w, const QString& address) {
    bool completed = false;
    const QMetaObject::Connection c = QObject::connect(
        w.wbMain(), &WebBrowser::DocumentComplete,
        [&] { completed |= w.wbMain()->LocationURL() != QLatin1String("about:blank"); });
    retype(w.cboUrl(), address);
    pressKey(&w, Qt::Key_Return);
    const bool done = QTest::qWaitFor([&] { return completed; }, kLoadWait);
    QObject::disconnect(c);
    return done;
}

}  // namespace

class TestFrmMainEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        server_.addPage("/a", "<html><head><title>Page A</title></head><body>A</body></html>");
        server_.addPage("/b", "<html><head><title>Page B</title></head><body>B</body></html>");
        server_.addPage("/c", "<html><head><title>Page C</title></head><body>C</body></html>");
        server_.addPage("/popped", "<html><head><title>Popped</title></head><body></body></html>");
        server_.addRedirect("/moved", "/a");
        server_.addPage("/links",
                        "<html><head><title>Links</title></head><body>"
                        "<a id='link' href='/b' target='_blank'>open B</a></body></html>");
        server_.addPage("/popup",
                        "<html><head><title>Pop-up</title>"
                        "<script>window.open('/popped');</script></head><body>P</body></html>");
    }

    void typedAddressLoadsAndTheBoxShowsTheFinalAddress() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        QVERIFY(showActive(&w));
        QVERIFY(enterAndWait(w, server_.hostAndPort("/moved")));
        const QString finalAddress = server_.url("/a").toString();
        QTRY_COMPARE_WITH_TIMEOUT(w.cboUrl()->currentText(), finalAddress, kLoadWait);
        QCOMPARE(w.cboUrl()->itemText(0), finalAddress);
        QTRY_COMPARE(w.windowTitle(), QString("Page A"));
        QCOMPARE(w.stbStatus()->panelText(StatusPanel::Messages), QString("Document Loaded."));
        // At the end of the load the progress bar is hidden, at 100.
        QVERIFY(!w.proLoad()->isVisible());
        QCOMPARE(w.proLoad()->value(), 100.0f);
    }

    void historyAndTheBackAndForwardButtons() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        QVERIFY(showActive(&w));
        xpcmdbutton* back = w.button("xpcmdBack");
        xpcmdbutton* forward = w.button("xpcmdForward");
        // With nothing stored, the box shows "about:blank" once the start-up load completes.
        QTRY_COMPARE_WITH_TIMEOUT(w.cboUrl()->currentText(), QString("about:blank"), kLoadWait);
        for (const char* page : {"/a", "/b", "/c", "/a"})
            QVERIFY(enterAndWait(w, server_.url(page).toString()));
        QTRY_COMPARE(w.cboUrl()->count(), 4);  // about:blank and three pages
        QCOMPARE(w.cboUrl()->itemText(0), server_.url("/a").toString());
        QCOMPARE(w.cboUrl()->itemText(1), server_.url("/c").toString());
        QCOMPARE(w.cboUrl()->itemText(2), server_.url("/b").toString());
        QTRY_VERIFY(back->Enabled());
        QVERIFY(!forward->Enabled());

        QSignalSpy done(w.wbMain(), &WebBrowser::DocumentComplete);
        click(back);
        QVERIFY(done.wait(kLoadWait));
        QTRY_VERIFY(forward->Enabled());
        QTRY_COMPARE(w.windowTitle(), QString("Page C"));
        click(forward);
        QTRY_VERIFY_WITH_TIMEOUT(!forward->Enabled(), kLoadWait);
        QTRY_COMPARE(w.windowTitle(), QString("Page A"));
    }

    void aClickedLinkToANewWindowOpensASecondBrowserWindow() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        QVERIFY(showActive(&w));
        QVERIFY(enterAndWait(w, server_.url("/links").toString()));
        // A click on the page away from the link gives it the focus.
        QWidget* page = w.wbMain()->widget();
        x11::click(page, {page->width() - 10, page->height() - 10});
        QTRY_VERIFY(page->hasFocus());
        // The page itself learns of its focus a moment later.
        QTRY_VERIFY_WITH_TIMEOUT(runScript(w, "document.hasFocus()").toBool(), kLoadWait);
        QVERIFY(runScript(w, "document.getElementById('link').focus(); true").toBool());
        QTRY_COMPARE_WITH_TIMEOUT(w.wbMain()->activeElementTagName(), std::optional<QString>("A"),
                                  kLoadWait);
        QVERIFY(x11::pressKey("Return"));
        QTRY_COMPARE_WITH_TIMEOUT(env.app().browserWindows().size(), 2, kLoadWait);
        FrmMain* second = env.app().browserWindows()[1];
        QTRY_COMPARE_WITH_TIMEOUT(second->wbMain()->LocationURL(), server_.url("/b").toString(),
                                  kLoadWait);
        QTRY_COMPARE_WITH_TIMEOUT(second->windowTitle(), QString("Page B"), kLoadWait);
        QCOMPARE(w.windowTitle(), QString("Links"));
        // Closing it closes the first window too, each once its page agreed.
        second->close();
        QTRY_VERIFY_WITH_TIMEOUT(env.app().browserWindows().isEmpty(), kLoadWait);
        QVERIFY(!frmMainLoaded());
    }

    void aWindowOpenedOnLoadIsBlocked() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        QVERIFY(showActive(&w));
        // The window's own answer, counted.
        int asked = 0;
        w.wbMain()->setNewWindowHook([&](const NewWindowRequest& request) -> WebBrowser* {
            ++asked;
            WebBrowser* ppDisp = nullptr;
            bool Cancel = false;
            w.wbMain_NewWindow2(request, &ppDisp, &Cancel);
            return Cancel ? nullptr : ppDisp;
        });
        QVERIFY(enterAndWait(w, server_.url("/popup").toString()));
        QTest::qWait(300);
        // No action of the user asked for it: the window is not even asked.
        QCOMPARE(asked, 0);
        QCOMPARE(env.app().browserWindows().size(), 1);
        QVERIFY(!server_.requestedPaths().contains("/popped"));
    }

    void theStoredStartUpPageOpensAtStart() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        QCOMPARE(SaveSetting("Web Browser", "Settings", "Start-Up Page", server_.hostAndPort("/b")),
                 SaveResult::Saved);
        FrmMain& w = frmMain();
        QCOMPARE(w.cboUrl()->currentText(), server_.hostAndPort("/b"));
        QTRY_COMPARE_WITH_TIMEOUT(w.wbMain()->LocationURL(), server_.url("/b").toString(),
                                  kLoadWait);
        QTRY_COMPARE(w.windowTitle(), QString("Page B"));
    }

private:
    LoopbackServer server_;
};

QTEST_MAIN(TestFrmMainEngine)
#include "tst_frmmain_engine.moc"
