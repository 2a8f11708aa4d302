#pragma once

#include "forms/form.h"

class QLineEdit;

namespace skiff {

// The settings window: the stored start-up page, offline browsing and the status bar of the
// first browser window.
class FrmSettings : public Form<FrmSettings> {
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

private:
    void replaceDamagedFile(const QString& value);

    QLineEdit* txtStartupPage_ = nullptr;
};

// The settings window (created and loaded, hidden, on first reference), whether it is loaded,
// and unloading it.
inline constexpr auto frmSettings = &FrmSettings::instance;
inline constexpr auto frmSettingsLoaded = &FrmSettings::loaded;
inline constexpr auto unloadFrmSettings = &FrmSettings::unload;

}  // namespace skiff
