// The environment the program makes for itself before the toolkit and the engine start: a
// private runtime folder, private data folders, and the accessibility bus checked with a
// bounded wait.

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "app/busprobe.h"
#include "app/processenvironment.h"
#include "support/silentsocket.h"

using namespace skiff;
using namespace std::chrono_literals;

namespace {

int modeOf(const QString& path) {
    struct stat info {};
    if (lstat(QFile::encodeName(path).constData(), &info) != 0) return -1;
    return info.st_mode & 07777;
}

bool makeWithMode(const QString& path, int mode, bool folder) {
    const bool made = folder ? QDir().mkpath(path) : QFile(path).open(QIODevice::WriteOnly);
    return made && chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}

using skiff::test::SilentSocket;

}  // namespace

class TestProcessEnvironment : public QObject {
    Q_OBJECT
private slots:
    void privateFolderRefusesWhatIsNotOwnAndPrivate();
    void makePrivateClosesATreeWithoutFollowingLinks();
    void probeBusTellsAnsweringGoneAndSilentBuses();
    void theSessionBusNamesTheAccessibilityBus();
};

// A new folder is made 0700; an own folder left open is closed; a name taken by a symbolic link
// (someone else's, in a shared temporary folder) is not followed: a new folder is made beside
// it, and the link's target keeps its mode.
void TestProcessEnvironment::privateFolderRefusesWhatIsNotOwnAndPrivate() {
    QTemporaryDir temp;
    const std::optional<QString> made = privateFolder(temp.path(), "new");
    QCOMPARE(made, temp.filePath("new"));
    QCOMPARE(modeOf(*made), 0700);

    QVERIFY(makeWithMode(temp.filePath("open"), 0755, true));
    QCOMPARE(privateFolder(temp.path(), "open"), temp.filePath("open"));
    QCOMPARE(modeOf(temp.filePath("open")), 0700);

    QVERIFY(makeWithMode(temp.filePath("elsewhere"), 0755, true));
    QVERIFY(QFile::link(temp.filePath("elsewhere"), temp.filePath("link")));
    const std::optional<QString> beside = privateFolder(temp.path(), "link");
    QVERIFY(beside && beside->startsWith(temp.filePath("link-")));
    QCOMPARE(modeOf(*beside), 0700);
    QCOMPARE(modeOf(temp.filePath("elsewhere")), 0755);

    QVERIFY(!privateFolder(temp.filePath("missing/parent"), "x"));
}

// Whatever the umask made of them, folders end 0700 and files 0600, to the bottom of the tree;
// a link out of the tree leaves its target as it was.
void TestProcessEnvironment::makePrivateClosesATreeWithoutFollowingLinks() {
    QTemporaryDir temp;
    const QString root = temp.filePath("data/Web Browser");
    QVERIFY(makeWithMode(root + "/webkitgtk/localstorage", 0755, true));
    QVERIFY(makeWithMode(root + "/webkitgtk/cookies.sqlite", 0644, false));
    QVERIFY(makeWithMode(root + "/webkitgtk/localstorage/.hidden", 0664, false));
    QVERIFY(makeWithMode(temp.filePath("outside"), 0644, false));
    QVERIFY(QFile::link(temp.filePath("outside"), root + "/link"));
    QVERIFY(chmod(QFile::encodeName(root).constData(), 0775) == 0);

    QVERIFY(makePrivate(root));
    const struct {
        QString path;
        int mode;
    } expected[] = {{root, 0700},
                    {root + "/webkitgtk", 0700},
                    {root + "/webkitgtk/localstorage", 0700},
                    {root + "/webkitgtk/cookies.sqlite", 0600},
                    {root + "/webkitgtk/localstorage/.hidden", 0600},
                    {temp.filePath("outside"), 0644}};
    for (const auto& entry : expected)
        QVERIFY2(modeOf(entry.path) == entry.mode,
                 qPrintable(entry.path + ": " + QString::number(modeOf(entry.path), 8)));

    // A missing folder is made, private.
    QVERIFY(makePrivate(temp.filePath("cache/Web Browser")));
    QCOMPARE(modeOf(temp.filePath("cache/Web Browser")), 0700);
}

// A real bus answers; a socket that is gone, or a name nothing listens on, is gone; a socket
// that accepts and never answers is silent, found within the wait given.
void TestProcessEnvironment::probeBusTellsAnsweringGoneAndSilentBuses() {
    QTemporaryDir temp;
    QProcess bus;
    const QString busPath = temp.filePath("bus");
    bus.start("dbus-daemon",
              {"--session", "--nofork", "--print-address=1", "--address=unix:path=" + busPath});
    QVERIFY(bus.waitForReadyRead(10000));
    const QByteArray address = bus.readLine().trimmed();
    QCOMPARE(probeBus(address, 2s), BusAnswer::Answers);

    SilentSocket silent(temp.filePath("silent"));
    QVERIFY(silent.isListening());
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(probeBus("unix:path=" + QFile::encodeName(temp.filePath("silent")), 300ms),
             BusAnswer::Silent);
    QVERIFY(timer.elapsed() < 5000);

    QCOMPARE(probeBus("unix:path=" + QFile::encodeName(temp.filePath("gone/bus_0")), 2s),
             BusAnswer::Gone);
    QCOMPARE(probeBus("unix:abstract=/skiff/test/nothing-listens-here", 2s), BusAnswer::Gone);
    QCOMPARE(probeBus("tcp:host=127.0.0.1,port=1", 2s), BusAnswer::Unknown);
    // The first unix: entry counts, with its guid after it.
    QCOMPARE(probeBus("tcp:host=127.0.0.1,port=1;" + address + ",guid=0123", 2s),
             BusAnswer::Answers);

    bus.terminate();
    bus.waitForFinished(5000);
}

// A session bus hands out the accessibility bus (starting its launcher on demand, as a
// desktop's does); one without it says there is none; one that never answers is found silent
// within the wait.
void TestProcessEnvironment::theSessionBusNamesTheAccessibilityBus() {
    QTemporaryDir temp;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", temp.path());
    env.insert("HOME", temp.path());
    env.remove("DISPLAY");
    // A session bus that offers no services: the system's configuration without its folders
    // of services.
    QFile system("/usr/share/dbus-1/session.conf");
    QVERIFY(system.open(QIODevice::ReadOnly));
    QFile bare(temp.filePath("bare.conf"));
    QVERIFY(bare.open(QIODevice::WriteOnly));
    bare.write(system.readAll().replace("<standard_session_servicedirs />", ""));
    bare.close();
    const struct {
        QStringList arguments;
        bool named;  // whether it hands out an accessibility bus
    } buses[] = {
        {{"--session", "--address=unix:path=" + temp.filePath("bus")}, true},
        {{"--config-file=" + bare.fileName(), "--address=unix:path=" + temp.filePath("bare")},
         false}};
    for (const auto& each : buses) {
        QProcess bus;
        bus.setProcessEnvironment(env);
        bus.start("dbus-daemon", each.arguments + QStringList{"--nofork", "--print-address=1"});
        QVERIFY(bus.waitForReadyRead(10000));
        const QByteArray session = bus.readLine().trimmed();
        const SessionAnswer asked = askForAccessibilityBus(session, 10s);
        QCOMPARE(asked.answer, BusAnswer::Answers);
        QCOMPARE(!asked.address.isEmpty(), each.named);
        if (each.named) QCOMPARE(probeBus(asked.address, 5s), BusAnswer::Answers);
        bus.terminate();
        QVERIFY(bus.waitForFinished(5000));
    }

    SilentSocket silent(temp.filePath("silent"));
    QVERIFY(silent.isListening());
    QCOMPARE(
        askForAccessibilityBus("unix:path=" + QFile::encodeName(temp.filePath("silent")), 300ms)
            .answer,
        BusAnswer::Silent);
}

QTEST_GUILESS_MAIN(TestProcessEnvironment)
#include "tst_processenvironment.moc"
