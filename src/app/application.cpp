#include "app/application.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QMenu>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>
#include <utility>

#include "app/caretblink.h"
#include "browser/frmmain.h"
#include "forms/busywork.h"

namespace skiff {

namespace {

// Closes the first of `windows` still open, then the next, and so on, each as its close box
// does: `done(true)` once all have closed, `done(false)` when a page kept its window open (the
// user chose to stay on it; the windows after it stay open too).
void closeInTurn(QList<QPointer<FrmMain>> windows, std::function<void(bool)> done) {
    while (!windows.isEmpty() && !windows.first()) windows.removeFirst();
    if (windows.isEmpty()) {
        done(true);
        return;
    }
    FrmMain* window = windows.takeFirst();
    auto kept = std::make_shared<QMetaObject::Connection>();
    *kept = QObject::connect(window, &FrmMain::pageKept, qApp, [kept, done] {
        QObject::disconnect(*kept);
        done(false);
    });
    QObject::connect(window, &QObject::destroyed, qApp, [kept, windows, done] {
        QObject::disconnect(*kept);
        closeInTurn(windows, done);
    });
    window->close();
}

// Takes every dialog and menu open away unanswered, which ends their event loops: the code
// that showed them goes on once the event being handled now has returned.
void takeAwayDialogs() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible()) continue;
        if (auto* dialog = qobject_cast<QDialog*>(widget)) dialog->done(QDialog::Rejected);
        if (auto* menu = qobject_cast<QMenu*>(widget)) menu->close();
    }
}

}  // namespace

Application::Application(std::unique_ptr<Engine> engine, std::shared_ptr<const Clock> clock)
    : engine_(std::move(engine)),
      clock_(std::move(clock)),
      downloads_(engine_.get()),
      endTimer_(new QTimer(this)) {
    stopCaretBlinkingWhenIdle();
    endTimer_->setSingleShot(true);
    endTimer_->setInterval(20);
    connect(endTimer_, &QTimer::timeout, this, &Application::endOnceDialogsHaveReturned);
}

Application::~Application() {
    for (FrmMain* window : browserWindows()) window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Application::start(const QStringList& addresses) {
    if (!addresses.isEmpty()) firstAddress_ = addresses.first();
    frmMain().show();
    for (const QString& address : addresses.mid(1)) openWindow(address);
    // The program's own event loop takes the first turn after the start.
    QTimer::singleShot(0, this, [this] { mainLoopLevel_ = QThread::currentThread()->loopLevel(); });
}

FrmMain& Application::openWindow(const QString& address) {
    return open(new FrmMain(nullptr, address));
}

FrmMain& Application::openWindowForPage(const NewWindowRequest& request) {
    return open(new FrmMain(&request));
}

FrmMain& Application::open(FrmMain* window) {
    furtherWindows_.append(window);
    window->Form_Load();
    window->show();
    return *window;
}

QList<FrmMain*> Application::browserWindows() const {
    QList<FrmMain*> windows;
    if (frmMainLoaded()) windows.append(&frmMain());
    for (const QPointer<FrmMain>& window : furtherWindows_)
        if (window) windows.append(window);
    return windows;
}

std::optional<QString> Application::takeFirstAddress() {
    return std::exchange(firstAddress_, std::nullopt);
}

BrowserHost* Application::firstBrowserWindow() {
    return &frmMain();
}

void Application::quit() {
    if (quitting_) return;
    if (busy()) {
        QTimer::singleShot(100, this, &Application::quit);
        return;
    }
    quitting_ = true;
    downloads_.cancelAll();  // the user was asked already, or the desktop asks the program to end
    QList<QPointer<FrmMain>> windows;
    for (FrmMain* window : browserWindows()) windows.append(window);
    closeInTurn(windows, [this](bool allClosed) {
        if (allClosed)
            emit quitDone();
        else
            quitting_ = false;  // a page kept its window: the program goes on
    });
}

}  // namespace skiff

namespace skiff {

void Application::end() {
    takeAwayDialogs();
    endTimer_->start();
}

// The windows go only once every dialog's event loop has returned: dialogs live in the stack
// frames of the code that showed them, and are children of the windows.
void Application::endOnceDialogsHaveReturned() {
    if (QThread::currentThread()->loopLevel() > mainLoopLevel_ || busy()) {
        end();  // a dialog that came meanwhile goes too
        return;
    }
    downloads_.cancelAll();
    QList<QPointer<FrmMain>> windows;
    for (FrmMain* window : browserWindows()) windows.append(window);
    for (const QPointer<FrmMain>& window : windows)
        if (window) window->closeWithoutAsking();
    emit quitDone();
}

}  // namespace skiff
