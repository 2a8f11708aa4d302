// Keys of the browser window. A key does exactly what its menu entry or button does; the keys
// with no menu entry act on the window itself. (The pointer's back and forward buttons over the
// page go back and forward in the engine itself.)

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <iterator>

#include "browser/frmmain.h"
#include "engine/webbrowser.h"
#include "pagetools/downloads.h"

namespace skiff {

namespace {

// The zoom steps the keys go through, as in other browsers.
constexpr double kZoomSteps[] = {0.25, 0.33, 0.5,  0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                 1.25, 1.5,  1.75, 2.0,  2.5,  3.0, 4.0, 5.0};

std::function<void()>& quitHandler() {
    static std::function<void()> handler;
    return handler;
}

}  // namespace

void FrmMain::setQuitHandler(std::function<void()> handler) {
    quitHandler() = std::move(handler);
}

void FrmMain::addShortcuts() {
    const auto keys = [this](const QString& item, QList<QKeySequence> sequences) {
        menuItem(item)->setShortcuts(sequences);
    };
    keys("mnuHome", {Qt::ALT | Qt::Key_Home});
    keys("mnuRefresh", {Qt::Key_F5, Qt::CTRL | Qt::Key_R});
    keys("mnuBack", {QKeySequence::Back});
    keys("mnuForward", {QKeySequence::Forward});
    keys("mnuStop", {Qt::Key_Escape});
    keys("mnuFind", {QKeySequence::Find});
    keys("mnuPrint", {QKeySequence::Print});
    keys("mnuSave", {QKeySequence::Save});
    keys("mnuSource", {Qt::CTRL | Qt::Key_U});
    keys("mnuFavorites", {Qt::CTRL | Qt::Key_B});

    // Keys without a menu entry.
    const auto windowKeys = [this](QList<QKeySequence> sequences, void (FrmMain::*handler)()) {
        auto* action = new QAction(this);
        action->setShortcuts(sequences);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
    };
    windowKeys({Qt::CTRL | Qt::Key_L, Qt::ALT | Qt::Key_D, Qt::Key_F6}, &FrmMain::focusAddressBox);
    windowKeys({QKeySequence::FindNext}, &FrmMain::findNext);
    windowKeys({QKeySequence::ZoomIn, Qt::CTRL | Qt::Key_Equal}, &FrmMain::zoomIn);
    windowKeys({QKeySequence::ZoomOut}, &FrmMain::zoomOut);
    windowKeys({Qt::CTRL | Qt::Key_0}, &FrmMain::zoomReset);
    windowKeys({QKeySequence::Close}, &FrmMain::closeWindow);
    windowKeys({QKeySequence::Quit}, &FrmMain::quit);
}

void FrmMain::focusAddressBox() {
    cboUrl_->setFocus(Qt::ShortcutFocusReason);
    cboUrl_->lineEdit()->selectAll();
}

void FrmMain::findNext() {
    wbMain_->ExecWB(WebBrowser::Command::FindNext, WebBrowser::kDoDefault);
}

void FrmMain::zoomIn() {
    const double now = wbMain_->zoomFactor();
    const auto* next = std::upper_bound(std::begin(kZoomSteps), std::end(kZoomSteps), now + 1e-3);
    if (next != std::end(kZoomSteps)) wbMain_->setZoomFactor(*next);
}

void FrmMain::zoomOut() {
    const double now = wbMain_->zoomFactor();
    const auto* next = std::lower_bound(std::begin(kZoomSteps), std::end(kZoomSteps), now - 1e-3);
    if (next != std::begin(kZoomSteps)) wbMain_->setZoomFactor(*std::prev(next));
}

void FrmMain::zoomReset() {
    wbMain_->setZoomFactor(1.0);
}

void FrmMain::closeWindow() {
    close();
}

// Ends the program as closing the first browser window does; while downloads run, the user is
// asked first.
void FrmMain::quit() {
    if (!Downloads::mayEnd(this)) return;
    if (quitHandler())
        quitHandler()();
    else
        close();
}

}  // namespace skiff
