#pragma once

#include <QWidget>

#include "forms/windowbuilder.h"

class QLineEdit;

namespace skiff {

class xpcmdbutton;

// The settings window: the stored start-up page, offline browsing and the status bar of the
// first browser window.
class FrmSettings : public QWidget {
    Q_OBJECT
public:
    FrmSettings();

    void Form_Load();
    void Form_Unload() {}

    void xpcmdDefault_Click();
    void xpcmdCurrent_Click();
    void xpcmdBlank_Click();
    void xpcmdOffline_Click();
    void xpcmdOnline_Click();
    void xpcmdHide_Click();
    void xpcmdShow_Click();
    void xpcmdSave_Click();
    void xpcmdCancel_Click();

    QLineEdit* txtStartupPage() const { return txtStartupPage_; }
    xpcmdbutton* button(const QString& name) const;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    WindowControls controls_;
    QLineEdit* txtStartupPage_ = nullptr;
};

// The settings window, created and loaded (hidden) on first reference.
FrmSettings& frmSettings();
bool frmSettingsLoaded();
void unloadFrmSettings();

// Where the start-up page is stored.
inline const QString kSettingsApp = QStringLiteral("Web Browser");
inline const QString kSettingsSection = QStringLiteral("Settings");
inline const QString kStartupPageKey = QStringLiteral("Start-Up Page");

}  // namespace skiff
