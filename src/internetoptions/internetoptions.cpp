#include "internetoptions/internetoptions.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "engine/engine.h"
#include "engine/engineoptions.h"
#include "forms/messagebox.h"

namespace skiff {

namespace {

WindowDefinition definition() {
    WindowDefinition d;
    d.caption = "Internet Options";
    d.clientWidth = 4800;
    d.clientHeight = 3150;
    d.fixedSize = true;
    d.controls = {
        {"txtHomePage", ControlKind::TextBox, "", 225, 375, 4350, 285},
        groupBox("xpgroupboxHome", "", 75, 75, 4650, 825, "Home Page"),
        groupBox("xpgroupboxContent", "", 75, 975, 4650, 765, "Content"),
        {"chkJavaScript", ControlKind::CheckBox, "xpgroupboxContent", 150, 330, 2100, 285,
         "Run JavaScript"},
        {"chkImages", ControlKind::CheckBox, "xpgroupboxContent", 2400, 330, 2100, 285,
         "Show images"},
        groupBox("xpgroupboxData", "", 75, 1815, 4650, 765, "Browsing Data"),
        commandButton("xpcmdClearCache", "xpgroupboxData", 150, 300, 1515, 315, "CLEAR CACHE"),
        commandButton("xpcmdClearCookies", "xpgroupboxData", 1725, 300, 1515, 315, "CLEAR COOKIES"),
        {"lblCleared", ControlKind::Label, "xpgroupboxData", 3300, 330, 1275, 285},
        commandButton("xpcmdOK", "", 3135, 2760, 765, 315, "OK"),
        commandButton("xpcmdCancel", "", 3960, 2760, 765, 315, "CANCEL"),
    };
    d.accessibleNames = {{"txtHomePage", "Home Page"}};
    return d;
}

}  // namespace

FrmOptions::FrmOptions() {
    build(definition());
    txtHomePage_ = control<QLineEdit>("txtHomePage");
    chkJavaScript_ = control<QCheckBox>("chkJavaScript");
    chkImages_ = control<QCheckBox>("chkImages");
    lblCleared_ = control<QLabel>("lblCleared");
    connectClicks({
        {"xpcmdClearCache", &FrmOptions::xpcmdClearCache_Click},
        {"xpcmdClearCookies", &FrmOptions::xpcmdClearCookies_Click},
        {"xpcmdOK", &FrmOptions::xpcmdOK_Click},
        {"xpcmdCancel", &FrmOptions::xpcmdCancel_Click},
    });
}

void FrmOptions::Form_Load() {
    const EngineOptions options = EngineOptions::load();
    txtHomePage_->setText(options.homePage());
    chkJavaScript_->setChecked(options.javascriptEnabled());
    chkImages_->setChecked(options.imagesEnabled());
}

void FrmOptions::xpcmdClearCache_Click() {
    engine()->clearCache();
    lblCleared_->setText("Cache cleared.");
}

void FrmOptions::xpcmdClearCookies_Click() {
    engine()->clearCookies();
    lblCleared_->setText("Cookies cleared.");
}

void FrmOptions::xpcmdOK_Click() {
    EngineOptions options;
    options.setHomePage(txtHomePage_->text());
    options.setJavascriptEnabled(chkJavaScript_->isChecked());
    options.setImagesEnabled(chkImages_->isChecked());
    engine()->applyOptions(options);
    // Options that cannot be stored still hold for this session; the window stays open.
    if (!options.save()) {
        MsgBox("The Internet options could not be saved: the settings store cannot be written.",
               "Internet Options", this);
        return;
    }
    unloadFrmOptions();
}

void FrmOptions::xpcmdCancel_Click() {
    unloadFrmOptions();
}

}  // namespace skiff
