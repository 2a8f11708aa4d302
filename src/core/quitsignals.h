#pragma once

#include <QObject>

class QSocketNotifier;

namespace skiff {

// Turns the signals that ask a program to end (SIGTERM from a logout or `kill`, SIGINT from
// Ctrl+C in a terminal, SIGHUP when the terminal goes away) into a Qt signal delivered on the
// user-interface thread, so the program can shut down as its user would. One instance at a
// time; the handlers stay installed for the life of the process.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

signals:
    void quitRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};

// A write past the file-size limit (`ulimit -f`) then fails as on a full disk, and the code that
// writes says so, instead of the signal ending the program. For the life of the process.
void ignoreFileSizeLimitSignal();

}  // namespace skiff
