// A page's engine process has a memory limit: a page that grows past it is ended with the
// crashed-page notice, and its window goes on. The limit is made small for this program, before
// its engine starts.

#include <unistd.h>
#include <QtTest>

#include "app/enginechoice.h"
#include "engine/engine.h"
#include "engine/enginequestions.h"
#include "engine/webbrowser.h"
#include "support/browsertest.h"
#include "support/loopbackserver.h"

using namespace skiff;
using namespace skiff::test;

namespace {

// The resident memory of this program's descendants whose name starts with `name`, in MB.
qint64 descendantsMemoryMB(const QByteArray& name) {
    struct Process {
        qint64 parent = 0;
        qint64 residentKB = 0;
        bool named = false;
    };
    QHash<qint64, Process> processes;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile status("/proc/" + entry + "/status");
        if (!status.open(QIODevice::ReadOnly)) continue;
        Process& process = processes[entry.toLongLong()];
        for (const QByteArray& line : status.readAll().split('\n')) {
            const QList<QByteArray> words = line.simplified().split(' ');
            if (words[0] == "Name:") process.named = words.value(1).startsWith(name);
            if (words[0] == "PPid:") process.parent = words.value(1).toLongLong();
            if (words[0] == "VmRSS:") process.residentKB = words.value(1).toLongLong();
        }
    }
    qint64 total = 0;
    for (const Process& process : std::as_const(processes)) {
        for (qint64 up = process.parent; process.named && up > 1; up = processes.value(up).parent) {
            if (up == getpid()) {
                total += process.residentKB;
                break;
            }
        }
    }
    return total / 1024;
}

}  // namespace

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
        // Keeps 250 MB of filled memory.
        server_.addPage("/large",
                        "<title>Large</title><script>"
                        "const kept = new Uint8Array(250 << 20).fill(1);</script>");
        server_.addPage("/small", "<title>Small</title><p>Small</p>");
    }

    // A page the user has left keeps no memory: the engine keeps no left page for going back.
    void leftPageIsReleased() {
        QFETCH_GLOBAL(bool, webkit);
        const QByteArray process = webkit ? "WebKitWebProces" : "QtWebEngineProc";
        QString error;
        std::unique_ptr<Engine> engine =
            makeEngine(webkit ? EngineKind::WebKitGtk : EngineKind::QtWebEngine, &error);
        QVERIFY2(engine, qPrintable(error));
        std::unique_ptr<WebBrowser> wb(engine->createBrowser(nullptr, nullptr));
        QVERIFY(navigated(*wb, server_.url("/large").toString()));
        QTRY_VERIFY_WITH_TIMEOUT(descendantsMemoryMB(process) > 250, 10000);
        // Another site: WebKit would keep the left page's whole process for going back.
        QUrl other = server_.url("/small");
        other.setHost("localhost");
        QVERIFY(navigated(*wb, other.toString()));
        QTRY_VERIFY_WITH_TIMEOUT(descendantsMemoryMB(process) < 200, 15000);
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
