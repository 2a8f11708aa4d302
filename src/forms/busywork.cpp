#include "forms/busywork.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <exception>
#include <memory>
#include <thread>

namespace skiff {

namespace {

int g_busy = 0;

// Turns away every request to close a window, from the window system or from the program.
class CloseHold : public QObject {
public:
    CloseHold() { qApp->installEventFilter(this); }
    ~CloseHold() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::Close) return false;
        e->ignore();
        return true;
    }
};

}  // namespace

BusyScope::BusyScope() {
    ++g_busy;
}
BusyScope::~BusyScope() {
    --g_busy;
}
bool busy() {
    return g_busy > 0;
}

void runWithProgress(const QString& label, QWidget* parent, const std::function<void()>& work) {
    BusyScope busyNow;
    CloseHold closes;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<QProgressDialog> progress;
    QTimer later;
    later.setSingleShot(true);
    QObject::connect(&later, &QTimer::timeout, [&] {
        progress = std::make_unique<QProgressDialog>(label, QString(), 0, 0, parent);
        if (parent) progress->setWindowTitle(parent->windowTitle());
        progress->setMinimumDuration(0);
        progress->show();
    });
    later.start(500);

    QEventLoop loop;
    std::exception_ptr failed;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failed = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // The loop may also end early, when the program is told to exit: the work is still
    // waited for.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();

    progress.reset();
    QApplication::restoreOverrideCursor();
    if (failed) std::rethrow_exception(failed);
}

}  // namespace skiff
