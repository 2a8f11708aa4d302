#include "app/processenvironment.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/busprobe.h"
#include "app/startup.h"
#include "core/filemodes.h"

namespace skiff {

namespace {

using namespace std::chrono_literals;

// The longest the start waits to learn whether the accessibility bus answers.
constexpr auto kAccessibilityWait = 3s;

// The folders under the user's data and cache folders that hold the program's and its engine's
// files.
const char* const kOwnFolders[] = {"Web Browser", "Skiff"};

void say(const QString& line) {
    std::fputs(qPrintable("skiff: " + line + '\n'), stderr);
}

void sayWhenWanted(const QString& line) {
    if (diagnosticsWanted()) say(line);
}

// Whether `path` is a folder of this user's own, not a symbolic link; it is closed to others
// if it was open.
bool isOwnPrivateFolder(const QByteArray& path) {
    struct stat info {};
    if (lstat(path.constData(), &info) != 0) return false;
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) return false;
    return (info.st_mode & 077) == 0 || chmod(path.constData(), 0700) == 0;
}

bool makePrivateEntry(const QString& path, bool folder) {
    return chmod(QFile::encodeName(path).constData(), folder ? 0700 : 0600) == 0;
}

// ---- The accessibility bus ----

struct AccessibilityBus {
    QByteArray address;  // empty: the desktop names none
    BusAnswer answer = BusAnswer::Unknown;
};

// What `program` with `arguments` writes to its standard output until it ends or what it wrote
// holds `enough`, at most `wait`; it is ended if it runs longer. Standard input and error are the
// null device.
QByteArray runFor(const QByteArray& program, const QList<QByteArray>& arguments,
                  std::chrono::milliseconds wait, const QByteArray& enough) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return {};
    std::vector<char*> argv{const_cast<char*>(program.constData())};
    for (const QByteArray& argument : arguments) argv.push_back(const_cast<char*>(argument.data()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(out[1], 1);
        dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    QByteArray output;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (child > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd reading{out[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&reading, 1, int(left.count())) <= 0) break;
        char buffer[512];
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got <= 0) break;
        output.append(buffer, got);
        if (output.contains(enough)) break;
    }
    close(out[0]);
    if (child > 0 && waitpid(child, nullptr, WNOHANG) == 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    return output;
}

// The machine's D-Bus id, which names the bus autolaunched for a display.
QByteArray machineId() {
    for (const char* path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) return file.readLine(64).trimmed();
    }
    return {};
}

// The session bus that D-Bus autolaunches for the X display, as GLib, WebKit and Qt would find
// (or start) it themselves: dbus-launch names it, within `wait`. Empty where there is no display,
// no dbus-launch (dbus-x11) or no answer in time.
QByteArray autolaunchedSessionBus(std::chrono::milliseconds wait) {
    const QByteArray id = machineId();
    const QString launcher = QStandardPaths::findExecutable("dbus-launch");
    if (qEnvironmentVariableIsEmpty("DISPLAY") || id.isEmpty() || launcher.isEmpty()) return {};
    // It prints DBUS_SESSION_BUS_ADDRESS='...'; and more lines; the bus it starts may keep the
    // output open after it ends.
    const QByteArray answer =
        runFor(QFile::encodeName(launcher), {"--autolaunch=" + id, "--sh-syntax", "--close-stderr"},
               wait, "';\n");
    const QByteArray key = "DBUS_SESSION_BUS_ADDRESS='";
    const qsizetype start = answer.indexOf(key);
    const qsizetype end = start < 0 ? -1 : answer.indexOf("';", start);
    return end < 0 ? QByteArray() : answer.mid(start + key.size(), end - start - key.size());
}

// The session bus: the one named, else the one in the runtime folder where a desktop keeps it,
// else the one autolaunched for the display, which is then named for the toolkits and the
// engine so that all of them use that one. Empty when there is none.
QByteArray sessionBus(std::chrono::milliseconds wait) {
    const QByteArray named = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (!named.isEmpty()) return named;
    const QString own = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/bus";
    if (QFileInfo::exists(own)) return "unix:path=" + QFile::encodeName(own);
    const QByteArray launched = autolaunchedSessionBus(wait);
    if (!launched.isEmpty()) qputenv("DBUS_SESSION_BUS_ADDRESS", launched);
    return launched;
}

// The accessibility bus the toolkits and the engine would use (AT_SPI_BUS_ADDRESS, else the
// one the session bus hands out) and how it answers, learnt within kAccessibilityWait.
AccessibilityBus findAccessibilityBus() {
    const auto deadline = std::chrono::steady_clock::now() + kAccessibilityWait;
    const auto left = [deadline] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
    };
    AccessibilityBus bus{qgetenv("AT_SPI_BUS_ADDRESS")};
    if (bus.address.isEmpty()) {
        const QByteArray session = sessionBus(left());
        if (session.isEmpty()) return {};
        const SessionAnswer asked = askForAccessibilityBus(session, left());
        if (asked.answer == BusAnswer::Silent) return {"(the session bus's)", BusAnswer::Silent};
        bus.address = asked.address;
    }
    if (!bus.address.isEmpty()) bus.answer = probeBus(bus.address, left());
    return bus;
}

// Leaves the accessibility bus out when it is gone or does not answer: the toolkits and the
// engine are given an address in the program's own runtime folder where no bus listens (the
// engine's sandbox then binds only that folder, which is there), GTK's bridge is not loaded,
// and WebKit's web process is told there is none. Without a session bus, WebKit is told there
// is no accessibility bus, where it would otherwise start one of its own and warn that its web
// process cannot reach one.
void leaveOutBrokenAccessibilityBus() {
    const AccessibilityBus bus = findAccessibilityBus();
    if (bus.address.isEmpty()) {
        if (!qEnvironmentVariableIsSet("WEBKIT_A11Y_BUS_ADDRESS"))
            qputenv("WEBKIT_A11Y_BUS_ADDRESS", "");
        return;
    }
    if (bus.answer != BusAnswer::Gone && bus.answer != BusAnswer::Silent) return;
    sayWhenWanted(QString("the accessibility bus %1 %2: starting without it")
                      .arg(QString::fromLocal8Bit(bus.address),
                           bus.answer == BusAnswer::Gone ? "is gone" : "does not answer"));
    const QByteArray nowhere =
        "unix:path=" + QFile::encodeName(qEnvironmentVariable("XDG_RUNTIME_DIR")) +
        "/skiff-no-accessibility-bus";
    qputenv("AT_SPI_BUS_ADDRESS", nowhere);
    qputenv("NO_AT_BRIDGE", "1");
    qputenv("WEBKIT_A11Y_BUS_ADDRESS", "");
}

// ---- The folders ----

void giveRuntimeFolder() {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
    const QString name = QString("skiff-runtime-%1").arg(geteuid());
    if (const std::optional<QString> folder = privateFolder(QDir::tempPath(), name))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(*folder));
}

// The program's folders are made private; their trees are walked only where an older start
// left the folder open (new files are private already: see keepNewFilesPrivate()).
void makeOwnFoldersPrivate() {
    for (const auto location :
         {QStandardPaths::GenericDataLocation, QStandardPaths::GenericCacheLocation}) {
        const QString base = QStandardPaths::writableLocation(location);
        for (const char* own : kOwnFolders) {
            const QString folder = base + '/' + own;
            struct stat info {};
            const bool there = stat(QFile::encodeName(folder).constData(), &info) == 0;
            // The engine's folder is always made; another is mended only when it is there.
            if (!there && QString(own) != kOwnFolders[0]) continue;
            const bool mended = (there && (info.st_mode & 077) == 0) || makePrivate(folder);
            if (!mended || !QFileInfo(folder).isWritable())
                say(QString("cannot write to %1: cookies and site data are not kept")
                        .arg(QDir::toNativeSeparators(folder)));
        }
    }
}

}  // namespace

std::optional<QString> privateFolder(const QString& parent, const QString& name) {
    const QByteArray path = QFile::encodeName(parent + '/' + name);
    if (mkdir(path.constData(), 0700) == 0 || (errno == EEXIST && isOwnPrivateFolder(path)))
        return QFile::decodeName(path);
    // The name is taken by something that is not this user's folder.
    QByteArray unique = path + "-XXXXXX";
    if (mkdtemp(unique.data())) return QFile::decodeName(unique);
    return std::nullopt;
}

bool makePrivate(const QString& folder) {
    if (!QDir().mkpath(folder) || !makePrivateEntry(folder, true)) return false;
    bool all = true;
    QDirIterator entries(folder,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QFileInfo entry(entries.next());
        if (entry.isSymLink()) continue;
        all = makePrivateEntry(entry.filePath(), entry.isDir()) && all;
    }
    return all;
}

void prepareProcessEnvironment() {
    keepNewFilesPrivate();
    giveRuntimeFolder();
    makeOwnFoldersPrivate();
    leaveOutBrokenAccessibilityBus();
}

}  // namespace skiff
