// A page's engine process has a memory limit: a page that grows past it is ended with the
// crashed-page notice, and its window goes on. The limit is made small for this program, before
// its engine starts.

#include <QtTest>

#include "app/enginechoice.h"
#include "engine/engine.h"
#include "engine/enginequestions.h"
#include "engine/webbrowser.h"
#include "support/browsertest.h"
#include "support/loopbackserver.h"

using namespace skiff;
using namespace skiff::test;

class TestMemoryLimit : public QObject {
    Q_OBJECT
private:
    LoopbackServer server_;

private slots:
    void initTestCase_data() {
        QTest::addColumn<bool>("webkit");
        QTest::newRow("webkitgtk") << true;
        QTest::newRow("qtwebengine") << false;
    }

    void initTestCase() {
        qputenv("SKIFF_TEST_WEB_PROCESS_MEMORY_MB", "400");
        // Grows by 50 MB of filled memory every 50 ms up to 1 GB, which it keeps.
        server_.addPage("/grow",
                        "<title>Growing</title><script>const kept = [];"
                        "setInterval(() => { if (kept.length < 20)"
                        " kept.push(new Uint8Array(50 << 20).fill(1)) }, 50);"
                        "</script>");
    }

    void pageBeyondTheLimitIsEnded() {
        QFETCH_GLOBAL(bool, webkit);
        if (!webkit) QSKIP("Qt WebEngine 6.4 sets no memory limit for a page's process");
        QString error;
        std::unique_ptr<Engine> engine = makeEngine(EngineKind::WebKitGtk, &error);
        QVERIFY2(engine, qPrintable(error));
        std::unique_ptr<WebBrowser> wb(engine->createBrowser(nullptr, nullptr));
        QStringList messages;
        connect(wb.get(), &WebBrowser::StatusTextChange, this,
                [&](const QString& text) { messages << text; });
        QVERIFY(navigated(*wb, server_.url("/grow").toString()));
        QTRY_VERIFY_WITH_TIMEOUT(messages.contains(enginequestions::kCrashMessage), 60000);
        QTRY_COMPARE(runScript(*wb, "document.body.innerText").value_or(""),
                     QString(enginequestions::kCrashMessage));
        QCOMPARE(wb->LocationURL(), server_.url("/grow").toString());
    }
};

QTEST_MAIN(TestMemoryLimit)
#include "tst_memorylimit.moc"
