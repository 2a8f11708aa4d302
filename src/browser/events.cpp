// The web component's events: status messages, progress, Back and Forward, the caption, the
// address history and new windows.

#include <QComboBox>
#include <QLineEdit>
#include <limits>

#include "browser/browserprogram.h"
#include "browser/frmmain.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "core/names.h"
#include "engine/webbrowser.h"
#include "statusbar/progressbar.h"
#include "statusbar/statusbar.h"

namespace skiff {

void FrmMain::wbMain_StatusTextChange(const QString& Text) {
    stbStatus_->setPanelText(StatusPanel::Messages, Text);
}

// The bar shows only while a load reports progress; a value it refuses (above 100, or a
// hundredfold that does not fit in 32 bits) is skipped and the bar keeps its value. Its
// visibility is set once, to where it ends: hiding and showing it again for every report would
// repaint the window each time.
void FrmMain::wbMain_ProgressChange(int Progress, int ProgressMax) {
    if (Progress == -1) proLoad_->setValue(100);
    const bool loading = Progress > 0 && ProgressMax > 0;
    if (loading) {
        const qint64 hundredfold = qint64{Progress} * 100;
        if (hundredfold <= std::numeric_limits<qint32>::max())
            proLoad_->setValue(static_cast<float>(static_cast<double>(hundredfold) / ProgressMax));
    }
    proLoad_->setVisible(loading);
}

// The buttons repaint on the toolkit's next turn. No other event runs inside the engine's: one
// that closed the window there would leave the engine and this handler on a deleted window.
void FrmMain::wbMain_CommandStateChange(WebBrowser::Command Command, bool Enable) {
    if (Command == WebBrowser::Command::NavigateBack) xpcmdBack_->SetEnabled(Enable);
    if (Command == WebBrowser::Command::NavigateForward) xpcmdForward_->SetEnabled(Enable);
}

void FrmMain::wbMain_DownloadBegin() {
    stbStatus_->setPanelText(StatusPanel::Messages, "Starting Download...");
}

void FrmMain::wbMain_DownloadComplete(bool succeeded) {
    showLoadEnd("Download Finished...", succeeded);
}

// A load that failed, was stopped or was refused ends with the engine's message saying so,
// which stays in the messages panel.
void FrmMain::showLoadEnd(const QString& text, bool succeeded) {
    if (succeeded) stbStatus_->setPanelText(StatusPanel::Messages, text);
}

void FrmMain::wbMain_TitleChange() {
    setWindowTitle(shownTitle(wbMain_->LocationName()));
}

void FrmMain::wbMain_DocumentComplete(bool succeeded) {
    showLoadEnd("Document Loaded.", succeeded);
}

// A page asks for a new window: it opens only when the pop-up test passes. The program opens
// it, its component made for the request; the new window runs its whole load before the
// engine puts the requested page into it.
void FrmMain::wbMain_NewWindow2(const NewWindowRequest& request, WebBrowser** ppDisp,
                                bool* Cancel) {
    *Cancel = IsPopup();
    if (*Cancel) return;
    *ppDisp = BrowserProgram::current()->openWindowForPage(request).wbMain();
}

// A window asked for while nothing but the page body or an inline frame has the focus, or
// before the page has a document, is a pop-up.
bool FrmMain::IsPopup() const {
    const std::optional<QString> tag = wbMain_->activeElementTagName();
    if (!tag) return true;
    return *tag == QLatin1String("BODY") || *tag == QLatin1String("IFRAME");
}

// The completed address goes to the top of the address box's list, once, and shows in the box;
// but what the user is typing there meanwhile stays as it is, and all of the box's text stays
// selected when it was, so that the next key still replaces it.
void FrmMain::wbMain_NavigateComplete2() {
    setWindowTitle(shownTitle(wbMain_->LocationName()));
    const QString shown = shownInAddressBox(wbMain_->LocationURL());
    QLineEdit* edit = cboUrl_->lineEdit();
    const bool editing = edit->hasFocus() || cboUrl_->hasFocus();
    const bool typed = editing && edit->isModified();
    const QString typedText = edit->text();
    const int cursor = edit->cursorPosition();
    const bool allSelected = editing && !typedText.isEmpty() && edit->selectedText() == typedText;
    for (int i = 0; i < cboUrl_->count(); ++i) {
        if (cboUrl_->itemText(i) == shown) {
            cboUrl_->removeItem(i);
            break;
        }
    }
    cboUrl_->insertItem(0, shown);
    cboUrl_->setCurrentIndex(0);
    if (typed) {
        edit->setText(typedText);
        edit->setModified(true);
    }
    if (allSelected) {
        edit->selectAll();
    } else if (typed) {
        edit->setCursorPosition(cursor);
    }
}

}  // namespace skiff
