// Keys of the browser window. A key does exactly what its menu entry or button does; the keys
// with no menu entry act on the window itself. Which keys a page gets first is the engine
// layer's rule (engine/reservedkeys.h). (The pointer's back and forward buttons over the
// page go back and forward in the engine itself.)

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <iterator>

#include "browser/browserprogram.h"
#include "browser/frmmain.h"
#include "downloads/downloads.h"
#include "engine/webbrowser.h"

namespace skiff {

namespace {

// The zoom steps the keys go through, as in other browsers.
constexpr double kZoomSteps[] = {0.25, 0.33, 0.5,  0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                 1.25, 1.5,  1.75, 2.0,  2.5,  3.0, 4.0, 5.0};

}  // namespace

void FrmMain::addShortcuts() {
    mnuHome_->setShortcut(Qt::ALT | Qt::Key_Home);
    mnuRefresh_->setShortcuts({Qt::Key_F5, Qt::CTRL | Qt::Key_R});
    mnuBack_->setShortcut(QKeySequence::Back);
    mnuForward_->setShortcut(QKeySequence::Forward);
    mnuStop_->setShortcut(Qt::Key_Escape);
    mnuFind_->setShortcut(QKeySequence::Find);
    mnuPrint_->setShortcut(QKeySequence::Print);
    mnuSave_->setShortcut(QKeySequence::Save);
    mnuSource_->setShortcut(Qt::CTRL | Qt::Key_U);
    mnuFavorites_->setShortcut(Qt::CTRL | Qt::Key_B);

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

// A key that nothing in the window used does what the window's shortcut for it does: a page
// gets the keys before the shortcuts (but for those the browser keeps), and one it did not use
// comes back here.
void FrmMain::keyPressEvent(QKeyEvent* e) {
    if (QAction* action = actionForKey(*e)) {
        e->accept();
        action->trigger();  // may close the window
        return;
    }
    QMainWindow::keyPressEvent(e);
}

// The enabled action of this window with `key` among its shortcuts. A key typed with Shift
// also counts without it, as for the shortcuts themselves (Ctrl++ is Ctrl+Shift+= on many
// keyboards); a key of the keypad counts as the same key elsewhere.
QAction* FrmMain::actionForKey(const QKeyEvent& key) const {
    const QList<QAction*> candidates = findChildren<QAction*>();
    const Qt::KeyboardModifiers held = key.modifiers() & ~Qt::KeypadModifier;
    const auto k = Qt::Key(key.key());
    for (const QKeySequence& wanted :
         {QKeySequence(held | k), QKeySequence((held & ~Qt::ShiftModifier) | k)}) {
        for (QAction* action : candidates)
            if (action->isEnabled() && action->shortcuts().contains(wanted)) return action;
    }
    return nullptr;
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
    if (!BrowserProgram::current()->downloads().mayEnd(this)) return;
    BrowserProgram::current()->quit();
}

}  // namespace skiff
