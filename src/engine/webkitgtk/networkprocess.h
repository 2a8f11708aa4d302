#pragma once

#include <sys/types.h>
#include <QHash>
#include <QObject>

class QSocketNotifier;

namespace skiff {

// WebKit runs the network of its views in a process of its own and says nothing when that
// process ends: the downloads it carried then neither finish nor fail, and cancelling one
// crashes. This watches the network processes the program has started and tells when one ends.
class NetworkProcessWatch : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~NetworkProcessWatch() override;

    // Watches the network processes of this program that run now, besides those watched already.
    void watchRunning();
    // Whether every process watched still runs. One that has ended is reported (ended()) before
    // this answers, so that no one acts on its downloads in between.
    bool allRunning();

signals:
    // A network process watched has ended; those watched still are not.
    void ended();

private:
    void forget(pid_t pid);

    QHash<pid_t, QSocketNotifier*> m_watched;  // a notifier on a pidfd of each process
};

}  // namespace skiff
