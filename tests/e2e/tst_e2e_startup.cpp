// Starting the built skiff from a terminal: the command line works without a display, a start
// without one says why in one line, and a normal start and end print nothing at all.

#include <QtTest>

#include "e2e/skiffprocess.h"
#include "e2e/xsession.h"
#include "support/loopbackserver.h"

using namespace skiff::e2e;
using skiff::test::LoopbackServer;

class E2EStartup : public QObject {
    Q_OBJECT
private slots:
    void withoutADisplay_data();
    void withoutADisplay();
    void normalStartPrintsNothing();
};

void E2EStartup::withoutADisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("display");  // DISPLAY, here never a running server
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");  // the start of standard output
    QTest::addColumn<QString>("error");   // the start of standard error
    const QString usage = "Usage: skiff [OPTION]... [ADDRESS]...\n";
    QTest::newRow("version") << QStringList{"--version"} << "" << 0 << "Skiff " SKIFF_VERSION "\n"
                             << "";
    QTest::newRow("version after Qt's options")
        << QStringList{"-platform", "xcb", "--style=fusion", "-reverse", "-v"} << "" << 0
        << "Skiff " SKIFF_VERSION "\n"
        << "";
    QTest::newRow("help") << QStringList{"example.com", "--help"} << "" << 0 << usage << "";
    QTest::newRow("unknown option") << QStringList{"--no-such-option"} << "" << 2 << ""
                                    << "skiff: unknown option '--no-such-option'\n" + usage;
    QTest::newRow("a start") << QStringList{"example.com"} << "" << 1 << ""
                             << "skiff: no display (neither DISPLAY nor WAYLAND_DISPLAY is "
                                "set): Skiff needs a graphical session (X11 or Wayland)\n";
    QTest::newRow("a start on a display that is not there")
        << QStringList{} << ":4093" << 1 << ""
        << "skiff: cannot open a window on display \":4093\": Skiff needs a graphical session "
           "(X11 or Wayland)\n";
}

// As from a terminal without a graphical session, as root too: nothing but the answer, on the
// stream it belongs to, and an exit of the program's own (a crash or an abort is none).
void E2EStartup::withoutADisplay() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, display);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QTemporaryDir home;
    QProcessEnvironment env;
    env.insert("PATH", qEnvironmentVariable("PATH"));
    env.insert("HOME", home.path());
    env.insert("XDG_RUNTIME_DIR", home.path());
    env.insert("LC_ALL", "C.UTF-8");
    if (!display.isEmpty()) env.insert("DISPLAY", display);
    QProcess skiff;
    skiff.setProcessEnvironment(env);
    skiff.setWorkingDirectory(home.path());
    skiff.start(SkiffProcess::executable(), arguments);
    QVERIFY(skiff.waitForFinished(kWaitMs));
    const QString printed = skiff.readAllStandardOutput();
    const QString said = skiff.readAllStandardError();
    QCOMPARE(skiff.exitStatus(), QProcess::NormalExit);
    QCOMPARE(skiff.exitCode(), exitCode);
    QVERIFY2(output.isEmpty() ? printed.isEmpty() : printed.startsWith(output),
             qPrintable(printed));
    QVERIFY2(error.isEmpty() ? said.isEmpty() : said.startsWith(error), qPrintable(said));
    if (exitCode == 1) QCOMPARE(said, error);  // one line only
}

// A start, a page, and the window closed: nothing on standard output or error. The engine's
// diagnostic report is there when asked for.
void E2EStartup::normalStartPrintsNothing() {
    XSession x;
    QVERIFY2(x.start(), qPrintable(x.error()));
    LoopbackServer server;
    server.addPage("/start.html", "<title>Start</title><p>Started.</p>");
    for (const bool diagnostics : {false, true}) {
        SkiffProcess skiff(x, server.port());
        skiff.setSetting("Settings/Start-Up Page", "http://pages.test/start.html");
        if (diagnostics) skiff.setEnvironment("SKIFF_DEBUG", "1");
        QVERIFY2(skiff.start(), qPrintable(skiff.output()));
        const TopLevel window = x.waitForClient("Start", 60000);
        QVERIFY2(window.isValid(), qPrintable(skiff.output()));
        QVERIFY(x.closeByCloseBox(window));
        QVERIFY(skiff.waitForExit());
        QCOMPARE(skiff.exitCode(), 0);
        if (diagnostics)
            QVERIFY2(skiff.output().contains("qt.webenginecontext:"), qPrintable(skiff.output()));
        else
            QCOMPARE(skiff.output(), QString());
    }
}

QTEST_GUILESS_MAIN(E2EStartup)
#include "tst_e2e_startup.moc"
