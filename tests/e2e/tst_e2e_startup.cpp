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
    void choosingTheEngine();
};

namespace {

// The names of the programs that run under the process `pid` (its children, theirs, and so
// on), as their command lines name them.
QStringList programsUnder(qint64 pid) {
    QMultiHash<qint64, qint64> children;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly)) continue;
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1) children.insert(fields[1].toLongLong(), entry.toLongLong());
    }
    QStringList programs;
    QList<qint64> next = children.values(pid);
    while (!next.isEmpty()) {
        const qint64 child = next.takeFirst();
        QFile cmdline(QString("/proc/%1/cmdline").arg(child));
        if (cmdline.open(QIODevice::ReadOnly))
            programs << QFileInfo(QString::fromLocal8Bit(cmdline.readAll().split('\0').first()))
                            .fileName();
        next << children.values(child);
    }
    return programs;
}

}  // namespace

// As from a terminal without a graphical session, as root too: nothing but the answer, on the
// stream it belongs to, and an exit of the program's own (a crash or an abort is none). A program
// installed without its engines says so before it needs a display.
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
        QString engine = {};   // SKIFF_ENGINE
        bool alone = false;    // a copy of the program without the engines' modules
    } starts[] = {
        {{"--version"}, 0, version, ""},
        {{"-platform", "xcb", "--style=fusion", "-reverse", "-v"}, 0, version, ""},
        {{"example.com", "--help"}, 0, usage, ""},
        {{"--no-such-option"}, 2, "", "skiff: unknown option '--no-such-option'\n" + usage},
        {{"example.com"}, 1, "", unset},
        {{}, 1, "", "skiff: cannot open a window on display \":4093\"" + needs, ":4093"},
        {{"--engine=gecko"},
         2,
         "",
         "skiff: unknown engine 'gecko' (choose webkitgtk or qtwebengine)\n"},
        {{"example.com"},
         2,
         "",
         "skiff: unknown engine 'Gecko' in SKIFF_ENGINE (choose webkitgtk or qtwebengine)\n",
         "",
         "Gecko"},
        {{"example.com"}, 1, "", "skiff: cannot load the WebKitGTK engine: ", "", "", true}};
    const auto begins = [](const QString& text, const QString& start) {
        return start.isEmpty() ? text.isEmpty() : text.startsWith(start);
    };
    for (const auto& start : starts) {
        QTemporaryDir home;
        QStringList env = {"PATH=" + qEnvironmentVariable("PATH"), "HOME=" + home.path(),
                           "XDG_RUNTIME_DIR=" + home.path(), "LC_ALL=C.UTF-8"};
        if (!start.display.isEmpty()) env << "DISPLAY=" + start.display;
        if (!start.engine.isEmpty()) env << "SKIFF_ENGINE=" + start.engine;
        QProcess skiff;
        skiff.setEnvironment(env);
        skiff.setWorkingDirectory(home.path());
        const QString alone = home.filePath("bin/skiff");
        if (start.alone)
            QVERIFY(QDir().mkpath(home.filePath("bin")) &&
                    QFile::copy(SkiffProcess::executable(), alone));
        skiff.start(start.alone ? alone : SkiffProcess::executable(), start.arguments);
        QVERIFY(skiff.waitForFinished(kWaitMs));
        const QString printed = skiff.readAllStandardOutput();
        const QString said = skiff.readAllStandardError();
        QVERIFY2(skiff.exitStatus() == QProcess::NormalExit && skiff.exitCode() == start.exitCode &&
                     begins(printed, start.output) && begins(said, start.error),
                 qPrintable(start.arguments.join(' ') + ": " + printed + said));
        if (start.exitCode != 0 && start.error.count('\n') == 1)
            QCOMPARE(said, start.error);  // one line only
        if (start.alone) QCOMPARE(said.count('\n'), 1);
        // The version names both engines with theirs, and which one is the default.
        if (start.arguments == QStringList{"--version"}) {
            static const QRegularExpression engines(
                "\nWeb engines: WebKitGTK \\d+\\.\\d+\\.\\d+ \\(webkitgtk, the default\\), "
                "Qt WebEngine \\d+\\.\\d+\\.\\d+ \\(qtwebengine\\)\n$");
            QVERIFY2(engines.match(printed).hasMatch(), qPrintable(printed));
        }
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
            QVERIFY2(
                skiff.output().contains(SkiffProcess::onWebKit() ? "skiff.webkitgtk: WebKitGTK "
                                                                 : "qt.webenginecontext:"),
                qPrintable(skiff.output()));
        else
            QCOMPARE(skiff.output(), QString());
    }
}

// Without an option or SKIFF_ENGINE skiff browses with WebKitGTK: its web process runs under
// the program, and no Qt WebEngine process does. The option chooses over the variable. The
// program loads the chosen engine's libraries only.
void E2EStartup::choosingTheEngine() {
    XSession x;
    QVERIFY2(x.start(), qPrintable(x.error()));
    LoopbackServer server;
    server.addPage("/start.html", "<title>Start</title><p>Started.</p>");
    const struct {
        QStringList arguments;
        QString variable;  // SKIFF_ENGINE, or none
        QString runs;
        QString doesNotRun;
        QString notLoaded;  // the other engine's library
    } starts[] = {{{}, {}, "WebKitWebProcess", "QtWebEngineProcess", "libQt6WebEngineCore"},
                  {{"--engine=qtwebengine"},
                   "webkitgtk",
                   "QtWebEngineProcess",
                   "WebKitWebProcess",
                   "libwebkit2gtk"},
                  {{"--engine=webkitgtk"},
                   "qtwebengine",
                   "WebKitWebProcess",
                   "QtWebEngineProcess",
                   "libQt6WebEngineCore"}};
    for (const auto& start : starts) {
        SkiffProcess skiff(x, server.port());
        skiff.setSetting("Settings/Start-Up Page", "http://pages.test/start.html");
        if (start.variable.isEmpty())
            skiff.removeEnvironment("SKIFF_ENGINE");
        else
            skiff.setEnvironment("SKIFF_ENGINE", start.variable);
        QVERIFY2(skiff.start(start.arguments), qPrintable(skiff.output()));
        const TopLevel window = x.waitForClient("Start", 60000);
        QVERIFY2(window.isValid(), qPrintable(skiff.output()));
        const QStringList programs = programsUnder(skiff.processId());
        QVERIFY2(programs.contains(start.runs) && !programs.contains(start.doesNotRun),
                 qPrintable(start.arguments.join(' ') + ": " + programs.join(' ')));
        QFile maps(QString("/proc/%1/maps").arg(skiff.processId()));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY2(!maps.readAll().contains(start.notLoaded.toLatin1()),
                 qPrintable(start.arguments.join(' ') + ": " + start.notLoaded + " is loaded"));
        QVERIFY(x.closeByCloseBox(window));
        QVERIFY(skiff.waitForExit());
        QCOMPARE(skiff.exitCode(), 0);
    }
}

QTEST_GUILESS_MAIN(E2EStartup)
#include "tst_e2e_startup.moc"
