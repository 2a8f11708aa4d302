#pragma once

// The built skiff program as its own process on an XSession, with a home, configuration,
// data, cache, runtime and working folder of its own, a session bus of its own (as a desktop
// gives every program one; without one, a program autolaunches a bus tied to the X display
// that outlives it), and every page request sent to the test's proxy on 127.0.0.1, so that
// nothing reaches the internet or the user's files.
//
//     LoopbackServer server;                    // serves pages.test/... as a proxy
//     SkiffProcess skiff(x, server.port());
//     skiff.setSetting("Settings/Start-Up Page", "http://pages.test/start.html");
//     QVERIFY2(skiff.start(), qPrintable(skiff.output()));
//     const TopLevel w = x.waitForClient("Start");   // the page's title
//     ...
//     QVERIFY(x.closeByCloseBox(w));
//     QVERIFY(skiff.waitForExit());
//     QCOMPARE(skiff.exitCode(), 0);

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include "e2e/xsession.h"

namespace skiff::e2e {

class SkiffProcess {
public:
    // `proxyPort`: the port of the test's HTTP server on 127.0.0.1 that every request of the
    // engine goes through, loopback addresses included.
    SkiffProcess(const XSession& x, quint16 proxyPort);
    ~SkiffProcess();  // kills the program if it still runs
    SkiffProcess(const SkiffProcess&) = delete;
    SkiffProcess& operator=(const SkiffProcess&) = delete;

    // Stores a value in the program's settings store ("Web Browser" of the per-user
    // configuration) before start: `key` is "Section/Key", such as "Settings/Start-Up Page"
    // or "Internet Options/Home Page".
    void setSetting(const QString& key, const QVariant& value);
    // The value the settings store holds for `key` now; invalid when there is none.
    QVariant setting(const QString& key) const;

    // Sets a variable of the program's environment before start, over the test's own choice
    // (such as the session bus, in place of the program's own).
    void setEnvironment(const QString& name, const QString& value);
    // Leaves the variable `name` out of the program's environment.
    void removeEnvironment(const QString& name);

    // The web engine the program browses with: the one SKIFF_ENGINE names for the test
    // ("webkitgtk" or "qtwebengine"), else the program's default, "webkitgtk".
    static QString engine();
    static bool onWebKit() { return engine() == "webkitgtk"; }

    // The program under test: the one named by the environment variable SKIFF_E2E_EXECUTABLE
    // when it is set (an installed skiff), else the one this build made.
    static QString executable();
    // The environment the program gets: display, folders, proxy, and setEnvironment()'s.
    QProcessEnvironment environment() const;

    // Starts the program; false (see output()) when it does not start.
    bool start(const QStringList& arguments = {});
    // Starts `command` (such as xdg-open) in the program's environment instead, for a test of
    // how the desktop starts the program; the process watched is then that command's.
    bool startCommand(const QString& command, const QStringList& arguments);
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 processId() const { return m_process.processId(); }
    // Waits for the program to end by itself.
    bool waitForExit(int timeoutMs = kWaitMs);
    // Asks the program to end, as a logout or `kill` does (SIGTERM).
    void terminate() { m_process.terminate(); }
    // Valid once it has ended: its exit code, and whether it ended normally (not by a signal).
    int exitCode() const { return m_process.exitCode(); }
    bool exitedNormally() const { return m_process.exitStatus() == QProcess::NormalExit; }
    // What it printed so far (stdout and stderr together).
    QString output();

    // Its working folder (where "favorites.fav" lives) and its configuration folder.
    QString workingDir() const { return m_workingDir; }
    // Starts it in `folder` instead of a working folder of its own (set before start).
    void setWorkingDir(const QString& folder) { m_workingDir = folder; }
    QString configDir() const { return m_root.filePath("config"); }
    // Its home folder, where its downloads go (in "Downloads").
    QString homeDir() const { return m_root.filePath("home"); }
    // Its data and cache folders (XDG_DATA_HOME, XDG_CACHE_HOME).
    QString dataDir() const { return m_root.filePath("data"); }
    QString cacheDir() const { return m_root.filePath("cache"); }

private:
    QString settingsFile() const;
    // The address of the program's own session bus.
    QString sessionBusAddress() const;
    // Starts the program's session bus unless it runs or `env` names another one.
    bool startSessionBus(const QProcessEnvironment& env);

    QTemporaryDir m_root;
    QString m_workingDir = m_root.filePath("work");
    QProcess m_sessionBus;
    QProcess m_process;
    QByteArray m_output;
    QProcessEnvironment m_environment;
    QStringList m_removed;
    QString m_display;
    quint16 m_proxyPort;
};

// After a failed test: saves the screen as <test function>.png in the output folder and prints
// what the program said, if it ran.
void reportFailure(const XSession& x, SkiffProcess* skiff);

}  // namespace skiff::e2e
