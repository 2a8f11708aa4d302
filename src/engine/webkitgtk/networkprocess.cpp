#include "engine/webkitgtk/networkprocess.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>

namespace skiff {

namespace {

// The name the kernel gives WebKit's network process: the start of its program's name.
constexpr char kNetworkProcessName[] = "WebKitNetworkPr";

// The children of this process that are network processes of WebKit.
QList<pid_t> runningNetworkProcesses() {
    QList<pid_t> found;
    const pid_t self = ::getpid();
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const pid_t pid = pid_t(entry.toInt(&number));
        QFile stat("/proc/" + entry + "/stat");
        if (!number || !stat.open(QIODevice::ReadOnly)) continue;
        // "pid (name) state ppid ...": the name may hold spaces and parentheses itself.
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('(');
        const qsizetype close = line.lastIndexOf(')');
        if (open < 0 || close < open) continue;
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (line.mid(open + 1, close - open - 1) == kNetworkProcessName &&
            rest.value(1).toInt() == self)
            found << pid;
    }
    return found;
}

bool hasEnded(int pidfd) {
    pollfd ready{pidfd, POLLIN, 0};
    return ::poll(&ready, 1, 0) != 0;  // readable once the process has ended
}

}  // namespace

NetworkProcessWatch::~NetworkProcessWatch() {
    for (const pid_t pid : m_watched.keys()) forget(pid);
}

// A pidfd, unlike a wait for the child, leaves the process to WebKit, which reaps it.
void NetworkProcessWatch::watchRunning() {
    for (const pid_t pid : runningNetworkProcesses()) {
        if (m_watched.contains(pid)) continue;
        const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
        if (pidfd < 0) continue;  // ended meanwhile, or no pidfds: left unwatched
        auto* notifier = new QSocketNotifier(pidfd, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, pid] {
            forget(pid);
            emit ended();
        });
        m_watched.insert(pid, notifier);
    }
}

bool NetworkProcessWatch::allRunning() {
    for (auto it = m_watched.cbegin(); it != m_watched.cend(); ++it) {
        if (hasEnded(int(it.value()->socket()))) {
            forget(it.key());
            emit ended();
            return false;
        }
    }
    return true;
}

void NetworkProcessWatch::forget(pid_t pid) {
    QSocketNotifier* notifier = m_watched.take(pid);
    if (!notifier) return;
    const int pidfd = int(notifier->socket());
    delete notifier;
    ::close(pidfd);
}

}  // namespace skiff
