// Starting the built skiff from a terminal: the command line works without a display, a start
// without one says why in one line, and a normal start and end print nothing at all, also on a
// desktop whose accessibility bus is gone or never answers. What the program and its engine
// keep is the user's alone.

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QScopeGuard>
#include <QStandardPaths>
#include <QtTest>
#include <csignal>

#include "e2e/skiffprocess.h"
#include "e2e/xsession.h"
#include "support/loopbackserver.h"
#include "support/silentsocket.h"

using namespace skiff::e2e;
using skiff::test::LoopbackServer;

class E2EStartup : public QObject {
    Q_OBJECT
private slots:
    void withoutADisplay();
    void normalStartPrintsNothing();
    void aBrokenAccessibilityBusIsLeftOut();
    void whatIsKeptIsTheUsersAlone();
    void withoutARuntimeFolder();
    void choosingTheEngine();
};

namespace {

// The processes that run under the process `pid` (its children, theirs, and so on): their
// ids and the names of their programs' files (Chromium's processes rewrite their command lines).
QList<QPair<qint64, QString>> processesUnder(qint64 pid) {
    QMultiHash<qint64, qint64> children;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly)) continue;
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1) children.insert(fields[1].toLongLong(), entry.toLongLong());
    }
    QList<QPair<qint64, QString>> processes;
    QList<qint64> next = children.values(pid);
    while (!next.isEmpty()) {
        const qint64 child = next.takeFirst();
        const QString program = QFile::symLinkTarget(QString("/proc/%1/exe").arg(child));
        if (!program.isEmpty()) processes.append({child, QFileInfo(program).fileName()});
        next << children.values(child);
    }
    return processes;
}

QStringList programsUnder(qint64 pid) {
    QStringList programs;
    for (const auto& process : processesUnder(pid)) programs << process.second;
    return programs;
}

using skiff::test::SilentSocket;

// The entries under `folder` (itself included) whose modes are not 0700 for a folder and 0600
// for a file, with their modes; symbolic links are not looked through.
QStringList notPrivate(const QString& folder) {
    QStringList open;
    QDirIterator entries(folder,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    QStringList paths = {folder};
    while (entries.hasNext()) paths << entries.next();
    for (const QString& path : paths) {
        struct stat info {};
        if (lstat(QFile::encodeName(path).constData(), &info) != 0 || S_ISLNK(info.st_mode))
            continue;
        const int mode = info.st_mode & 07777;
        if (mode != (S_ISDIR(info.st_mode) ? 0700 : 0600))
            open << QString("%1 %2").arg(mode, 4, 8, QChar('0')).arg(path);
    }
    return open;
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
    // A data folder that cannot be made (a file has its name): one line of the program's own
    // says what is lost, and nothing else is printed, by the program or its engine.
    SkiffProcess skiff(x, server.port());
    skiff.setSetting("Settings/Start-Up Page", "http://pages.test/start.html");
    const QString notAFolder = skiff.dataDir() + "/Web Browser";
    QVERIFY(QFile(notAFolder).open(QIODevice::WriteOnly));
    QVERIFY2(skiff.start(), qPrintable(skiff.output()));
    const TopLevel window = x.waitForClient("Start", 60000);
    QVERIFY2(window.isValid(), qPrintable(skiff.output()));
    QVERIFY(x.closeByCloseBox(window));
    QVERIFY(skiff.waitForExit());
    QCOMPARE(skiff.exitCode(), 0);
    QCOMPARE(skiff.output(),
             "skiff: cannot write to " + notAFolder + ": cookies and site data are not kept\n");
}

// An accessibility bus whose socket is gone (WebKit's sandbox would bind its folder and fail,
// ending the program) or that accepts and never answers (the accessibility bridges would wait
// for it for minutes): the window comes, its page loads, and nothing is printed but, when
// asked for, the one line that says the bus was left out.
// A session bus autolaunched for the display of `x`, as one left from an earlier session is: it
// hands out an accessibility bus whose runtime folder is gone. Its process id, 0 when none.
qint64 startStaleAutolaunchedBus(const XSession& x) {
    QTemporaryDir runtime;
    QFile id("/etc/machine-id");
    if (!runtime.isValid() || !id.open(QIODevice::ReadOnly)) return 0;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    env.insert("DISPLAY", x.displayName());
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    QProcess launch;
    launch.setProcessEnvironment(env);
    launch.start("dbus-launch", {"--autolaunch=" + id.readAll().trimmed(), "--sh-syntax"});
    if (!launch.waitForFinished(10000)) return 0;
    const QString said = launch.readAllStandardOutput();
    const QString address = said.section("DBUS_SESSION_BUS_ADDRESS='", 1).section("'", 0, 0);
    env.insert("DBUS_SESSION_BUS_ADDRESS", address);
    QProcess ask;  // starts the accessibility bus, in the runtime folder
    ask.setProcessEnvironment(env);
    ask.start("dbus-send", {"--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                            "org.a11y.Bus.GetAddress"});
    if (!ask.waitForFinished(10000) ||
        !ask.readAllStandardOutput().contains(QFile::encodeName(runtime.path())))
        return 0;
    return said.section("DBUS_SESSION_BUS_PID=", 1).section(';', 0, 0).toLongLong();
}

void E2EStartup::aBrokenAccessibilityBusIsLeftOut() {
    XSession x;
    QVERIFY2(x.start(), qPrintable(x.error()));
    LoopbackServer server;
    server.addPage("/start.html", "<title>Start</title><p>Started.</p>");
    QTemporaryDir sockets;
    SilentSocket silent(sockets.filePath("silent"));
    QVERIFY(silent.isListening());
    const struct {
        const char* name;
        QString address;
        bool diagnostics;
        QString line;  // printed with SKIFF_DEBUG set
    } starts[] = {
        {"gone", "unix:path=" + sockets.filePath("gone/bus_0"), false, {}},
        {"gone, said", "unix:path=" + sockets.filePath("gone/bus_0"), true, "is gone"},
        {"silent", "unix:path=" + sockets.filePath("silent"), false, {}},
        {"silent, said", "unix:path=" + sockets.filePath("silent"), true, "does not answer"},
        // No session bus named: the one autolaunched for the display is asked.
        {"autolaunched", {}, true, "is gone"},
    };
    // Without dbus-x11 (dbus-launch), no session bus is autolaunched for a display.
    const bool autolaunch = !QStandardPaths::findExecutable("dbus-launch").isEmpty();
    const qint64 autolaunched = autolaunch ? startStaleAutolaunchedBus(x) : 0;
    QVERIFY(!autolaunch || autolaunched > 0);
    const auto endAutolaunched = qScopeGuard([autolaunched] {
        if (autolaunched > 0) kill(autolaunched, SIGTERM);
    });
    for (const auto& start : starts) {
        if (start.address.isEmpty() && !autolaunch) continue;
        SkiffProcess skiff(x, server.port());
        skiff.setSetting("Settings/Start-Up Page", "http://pages.test/start.html");
        if (start.address.isEmpty())
            skiff.removeEnvironment("DBUS_SESSION_BUS_ADDRESS");
        else
            skiff.setEnvironment("AT_SPI_BUS_ADDRESS", start.address);
        if (start.diagnostics) skiff.setEnvironment("SKIFF_DEBUG", "1");
        QVERIFY2(skiff.start(), qPrintable(skiff.output()));
        const TopLevel window = x.waitForClient("Start");
        QVERIFY2(window.isValid(), qPrintable(start.name + (": " + skiff.output())));
        QVERIFY(x.closeByCloseBox(window));
        QVERIFY(skiff.waitForExit());
        QCOMPARE(skiff.exitCode(), 0);
        // The autolaunched bus's accessibility bus has an address of its own making.
        const QString said =
            (start.address.isEmpty() ? QString()
                                     : "skiff: the accessibility bus " + start.address + ' ') +
            start.line + ": starting without it\n";
        if (start.diagnostics)
            QVERIFY2(skiff.output().contains(said), qPrintable(skiff.output()));
        else
            QVERIFY2(skiff.output().isEmpty(), qPrintable(start.name + (": " + skiff.output())));
    }
}

// Under a umask that lets others read new files, a page that keeps a cookie and site data: all
// that the program and its engine keep in their data and cache folders is the user's alone,
// folders 0700 and files 0600.
void E2EStartup::whatIsKeptIsTheUsersAlone() {
    XSession x;
    QVERIFY2(x.start(), qPrintable(x.error()));
    LoopbackServer server;
    server.addPageWithHeaders(
        "/start.html",
        "<title>Start</title><script>localStorage.setItem('kept', 'yes');"
        "document.cookie = 'script=1; max-age=3600'; document.title = 'Stored';</script>",
        {{"Content-Type", "text/html"}, {"Set-Cookie", "visit=1; Max-Age=3600"}});
    const mode_t mask = umask(022);
    SkiffProcess skiff(x, server.port());
    skiff.setSetting("Settings/Start-Up Page", "http://pages.test/start.html");
    const bool started = skiff.start();
    umask(mask);
    QVERIFY2(started, qPrintable(skiff.output()));
    const TopLevel window = x.waitForClient("Stored", 60000);
    QVERIFY2(window.isValid(), qPrintable(skiff.output()));
    QVERIFY(x.closeByCloseBox(window));
    QVERIFY(skiff.waitForExit());
    QCOMPARE(skiff.exitCode(), 0);
    const QString kept = skiff.dataDir() + "/Web Browser";
    QVERIFY2(QDir(kept).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size() > 0,
             qPrintable(kept + " holds nothing"));
    for (const QString& folder : {kept, skiff.cacheDir() + "/Web Browser"}) {
        const QStringList open = notPrivate(folder);
        QVERIFY2(open.isEmpty(), qPrintable(open.join('\n')));
    }
}

// Without XDG_RUNTIME_DIR the program makes a private runtime folder in the user's temporary
// folder, where WebKit's sandbox keeps the sockets it gives the web process, instead of the
// cache folder GLib falls back on.
void E2EStartup::withoutARuntimeFolder() {
    XSession x;
    QVERIFY2(x.start(), qPrintable(x.error()));
    LoopbackServer server;
    server.addPage("/start.html", "<title>Start</title><p>Started.</p>");
    QTemporaryDir temp;
    SkiffProcess skiff(x, server.port());
    skiff.setSetting("Settings/Start-Up Page", "http://pages.test/start.html");
    skiff.removeEnvironment("XDG_RUNTIME_DIR");
    skiff.setEnvironment("TMPDIR", temp.path());
    QVERIFY2(skiff.start(), qPrintable(skiff.output()));
    const TopLevel window = x.waitForClient("Start", 60000);
    QVERIFY2(window.isValid(), qPrintable(skiff.output()));
    const QString runtime = temp.filePath(QString("skiff-runtime-%1").arg(geteuid()));
    struct stat info {};
    QVERIFY(lstat(QFile::encodeName(runtime).constData(), &info) == 0);
    QVERIFY(S_ISDIR(info.st_mode));
    QCOMPARE(info.st_mode & 0777, 0700u);
    if (SkiffProcess::onWebKit()) {
        QStringList sockets;  // the bus sockets WebKit mounts into the web process
        for (const auto& process : processesUnder(skiff.processId())) {
            if (process.second != "WebKitWebProcess") continue;
            QFile mounts(QString("/proc/%1/mountinfo").arg(process.first));
            QVERIFY(mounts.open(QIODevice::ReadOnly));
            for (const QByteArray& line : mounts.readAll().split('\n')) {
                const QString mountPoint = QString::fromLocal8Bit(line.split(' ').value(4));
                if (mountPoint.endsWith("/webkitgtk/bus") ||
                    mountPoint.endsWith("/webkitgtk/at-spi-bus"))
                    sockets << mountPoint;
            }
        }
        QVERIFY(!sockets.isEmpty());
        for (const QString& socket : sockets)
            QVERIFY2(socket.startsWith(runtime + "/webkitgtk/"), qPrintable(socket));
    }
    QVERIFY(x.closeByCloseBox(window));
    QVERIFY(skiff.waitForExit());
    QCOMPARE(skiff.exitCode(), 0);
    QCOMPARE(skiff.output(), QString());
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
