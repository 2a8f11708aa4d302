// The page source window reading pages of the real engine, served on 127.0.0.1.

#include <QPlainTextEdit>
#include <QtTest>

#include "browser/frmmain.h"
#include "engine/webbrowser.h"
#include "source_viewer/frmsource.h"
#include "support/loopbackserver.h"
#include "support/userinput.h"
#include "support/windowtestbase.h"

using namespace skiff;
using namespace skiff::test;

namespace {

constexpr int kLoadWait = 20000;

// Navigates to `address` and waits until that page completes; the start-up page may complete
// after the call.
bool navigateAndWait(FrmMain& w, const QString& address) {
    bool completed = false;
    const QMetaObject::Connection c =
        QObject::connect(w.wbMain(), &WebBrowser::DocumentComplete,
                         [&] { completed |= w.wbMain()->LocationURL() == address; });
    w.wbMain()->Navigate(address);
    const bool done = QTest::qWaitFor([&] { return completed; }, kLoadWait);
    QObject::disconnect(c);
    return done;
}

QString sourceText() {
    return frmSource().rtbSource()->toPlainText();
}

}  // namespace

class TestFrmSourceEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        server_.addPage("/plain",
                        "<html><head><title>Plain</title></head>"
                        "<body><p>Hello</p></body></html>");
        server_.addPage("/scripted",
                        "<html><head><title>Scripted</title></head><body><p id='p'>before</p>"
                        "<script>document.getElementById('p').textContent = 'after';</script>"
                        "</body></html>");
    }

    void showsHeadAndBodyWithoutTheRootTags() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        QVERIFY(navigateAndWait(w, server_.url("/plain").toString()));
        frmSource().show();
        QTRY_VERIFY_WITH_TIMEOUT(!sourceText().isEmpty(), kLoadWait);
        QCOMPARE(sourceText(),
                 QString("<head><title>Plain</title></head><body><p>Hello</p></body>"));
        QCOMPARE(frmSource().windowTitle(), QString("view-source: Plain"));
    }

    void showsTheDocumentAsAScriptChangedIt() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        QVERIFY(navigateAndWait(w, server_.url("/scripted").toString()));
        frmSource().show();
        QTRY_VERIFY_WITH_TIMEOUT(sourceText().contains("<p id=\"p\">after</p>"), kLoadWait);
        QVERIFY(!sourceText().contains("before</p>"));
    }

    void aLaterNavigationLeavesTheOpenWindowAlone() {
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        QVERIFY(navigateAndWait(w, server_.url("/plain").toString()));
        frmSource().show();
        QTRY_VERIFY_WITH_TIMEOUT(sourceText().contains("Hello"), kLoadWait);
        QVERIFY(navigateAndWait(w, server_.url("/scripted").toString()));
        QVERIFY(showActive(&w));
        QVERIFY(chooseMenuItem(&w, "Tools", "View Page Source..."));
        QTest::qWait(200);
        QCOMPARE(frmSource().windowTitle(), QString("view-source: Plain"));
        QVERIFY(sourceText().contains("Hello"));
        QVERIFY(!sourceText().contains("after"));
    }

private:
    LoopbackServer server_;
};

QTEST_MAIN(TestFrmSourceEngine)
#include "tst_frmsource_engine.moc"
