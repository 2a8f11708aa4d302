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
    void withoutADisplay();
    void normalStartPrintsNothing();
};

// As from a terminal without a graphical session, as root too: nothing but the answer, on the
// stream it belongs to, and an exit of the program's own (a crash or an abort is none).
void E2EStartup::withoutADisplay() {
    const QString version = "Skiff " SKIFF_VERSION "\n";
    const QString usage = "Usage: skiff [OPTION]... [ADDRESS]...\n";
    const QString needs = ": Skiff needs a graphical session (X11 or Wayland)\n";
    const QString unset = "skiff: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)" + needs;
    const struct {
        QStringList arguments;
        int exitCode;
        QString output;        // the start of standard output, or "" for nothing
        QString error;         // the same of standard error; all of it on an exit with 1
        QString display = {};  // DISPLAY, here never a running server
    } starts[] = {
        {{"--version"}, 0, version, ""},
        {{"-platform", "xcb", "--style=fusion", "-reverse", "-v"}, 0, version, ""},
        {{"example.com", "--help"}, 0, usage, ""},
        {{"--no-such-option"}, 2, "", "skiff: unknown option '--no-such-option'\n" + usage},
        {{"example.com"}, 1, "", unset},
        {{}, 1, "", "skiff: cannot open a window on display \":4093\"" + needs, ":4093"}};
    const auto begins = [](const QString& text, const QString& start) {
        return start.isEmpty() ? text.isEmpty() : text.startsWith(start);
    };
    for (const auto& start : starts) {
        QTemporaryDir home;
        QStringList env = {"PATH=" + qEnvironmentVariable("PATH"), "HOME=" + home.path(),
                           "XDG_RUNTIME_DIR=" + home.path(), "LC_ALL=C.UTF-8"};
        if (!start.display.isEmpty()) env << "DISPLAY=" + start.display;
        QProcess skiff;
        skiff.setEnvironment(env);
        skiff.setWorkingDirectory(home.path());
        skiff.start(SkiffProcess::executable(), start.arguments);
        QVERIFY(skiff.waitForFinished(kWaitMs));
        const QString printed = skiff.readAllStandardOutput();
        const QString said = skiff.readAllStandardError();
        QVERIFY2(skiff.exitStatus() == QProcess::NormalExit && skiff.exitCode() == start.exitCode &&
                     begins(printed, start.output) && begins(said, start.error),
                 qPrintable(start.arguments.join(' ') + ": " + printed + said));
        if (start.exitCode == 1) QCOMPARE(said, start.error);  // one line only
    }
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
