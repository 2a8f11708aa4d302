#pragma once

#include "forms/form.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace skiff {

// Skiff's own Internet Options window: the engine's home page (used by Home), whether pages
// may run JavaScript and show images, and clearing the cache and the cookies. Modeless, one
// instance; OK stores and applies the options, CANCEL and the close box drop the changes.
class FrmOptions : public Form<FrmOptions> {
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

private:
    QLineEdit* txtHomePage_ = nullptr;
    QCheckBox* chkJavaScript_ = nullptr;
    QCheckBox* chkImages_ = nullptr;
    QLabel* lblCleared_ = nullptr;
};

// The window itself (created and loaded on first reference), whether it is loaded, and
// unloading it.
inline constexpr auto frmOptions = &FrmOptions::instance;
inline constexpr auto frmOptionsLoaded = &FrmOptions::loaded;
inline constexpr auto unloadFrmOptions = &FrmOptions::unload;

}  // namespace skiff
