#pragma once

#include <QWidget>

#include "forms/windowbuilder.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace skiff {

class xpcmdbutton;

// Skiff's own Internet Options window: the engine's home page (used by Home), whether pages
// may run JavaScript and show images, and clearing the cache and the cookies. Modeless, one
// instance; OK stores and applies the options, CANCEL and the close box drop the changes.
class FrmOptions : public QWidget {
    Q_OBJECT
public:
    FrmOptions();

    void Form_Load();
    void Form_Unload() {}

    void xpcmdClearCache_Click();
    void xpcmdClearCookies_Click();
    void xpcmdOK_Click();
    void xpcmdCancel_Click();

    QLineEdit* txtHomePage() const { return txtHomePage_; }
    QCheckBox* chkJavaScript() const { return chkJavaScript_; }
    QCheckBox* chkImages() const { return chkImages_; }
    QLabel* lblCleared() const { return lblCleared_; }
    xpcmdbutton* button(const QString& name) const;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    WindowControls controls_;
    QLineEdit* txtHomePage_ = nullptr;
    QCheckBox* chkJavaScript_ = nullptr;
    QCheckBox* chkImages_ = nullptr;
    QLabel* lblCleared_ = nullptr;
};

// Shows the Internet Options window, loading it first if needed.
void showInternetOptions();
FrmOptions& frmOptions();
bool frmOptionsLoaded();
void unloadFrmOptions();

}  // namespace skiff
