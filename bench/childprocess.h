#pragma once

// Helpers of the benchmarks that start Skiff and its floor as child processes: a home of their
// own for each child, and the CPU time and memory of a process together with everything it
// started (the web engine's processes).

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace skiff::bench {

// A child program of a benchmark: the program and its arguments.
struct ChildProgram {
    QString program;
    QStringList arguments;
};

// The bare Qt WebEngine view of the Qt WebEngine comparisons (bench/bare_qtwebengine.cpp),
// built beside the benchmark programs, with `arguments`.
inline ChildProgram bareQtWebEngine(const QStringList& arguments) {
    return {QCoreApplication::applicationDirPath() + "/bare_qtwebengine", arguments};
}

// The bare WebKitGTK view of the WebKitGTK comparisons (bench/bare_webkitgtk.cpp), built beside
// the benchmark programs, with `arguments`.
inline ChildProgram bareWebKitGtk(const QStringList& arguments) {
    return {QCoreApplication::applicationDirPath() + "/bare_webkitgtk", arguments};
}

// Points the child's home, configuration, data and cache folders and its working folder into
// `home`, so that nothing it stores reaches the real home folder.
inline void useHome(QProcess& child, const QString& home) {
    QDir().mkpath(home + "/config");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_DATA_HOME", home + "/data");
    env.insert("XDG_CACHE_HOME", home + "/cache");
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(home);
}

// The fields of /proc/PID/stat after the command name (which may hold spaces): field 3 of the
// file (the state) is element 0.
inline QList<QByteArray> statFields(qint64 pid) {
    QFile file(QString("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray line = file.readAll();
    const qsizetype end = line.lastIndexOf(')');
    if (end < 0) return {};
    return line.mid(end + 2).trimmed().split(' ');
}

// `pid` and all its descendants that live now.
inline QList<qint64> processTree(qint64 pid) {
    QHash<qint64, QList<qint64>> children;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 p = entry.toLongLong(&number);
        if (!number) continue;
        const QList<QByteArray> fields = statFields(p);
        if (fields.size() > 1) children[fields[1].toLongLong()].append(p);
    }
    QList<qint64> tree{pid};
    for (qsizetype i = 0; i < tree.size(); ++i) tree += children.value(tree[i]);
    return tree;
}

// User and system CPU seconds that the processes of the tree have used so far (each with all
// its threads).
inline double treeCpuSeconds(qint64 pid) {
    const double ticksPerSecond = static_cast<double>(sysconf(_SC_CLK_TCK));
    double ticks = 0;
    for (qint64 p : processTree(pid)) {
        const QList<QByteArray> fields = statFields(p);
        if (fields.size() > 12) ticks += fields[11].toDouble() + fields[12].toDouble();
    }
    return ticks / ticksPerSecond;
}

// Proportional set size of the tree in kilobytes: each process's share of the memory it maps,
// so that pages the processes share are counted once in all.
inline qint64 treePssKb(qint64 pid) {
    qint64 kb = 0;
    for (qint64 p : processTree(pid)) {
        QFile file(QString("/proc/%1/smaps_rollup").arg(p));
        if (!file.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (!line.startsWith("Pss:")) continue;
            kb += line.mid(4).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return kb;
}

// Starts the child on the X display named by DISPLAY (tools/bench.sh starts a private one), for
// the comparisons whose cost lies in drawing, which Qt's offscreen platform skips. Call after
// useHome().
inline bool useXDisplay(QProcess& child) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return false;
    QProcessEnvironment env = child.processEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    child.setProcessEnvironment(env);
    return true;
}

// Ends the child and every process it started.
inline void endTree(QProcess& child) {
    if (child.state() != QProcess::NotRunning) {
        for (qint64 p : processTree(child.processId())) ::kill(static_cast<pid_t>(p), SIGKILL);
    }
    child.waitForFinished();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace skiff::bench
