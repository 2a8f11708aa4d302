#include "settings/frmsettings.h"

#include <QDir>
#include <QLineEdit>

#include "core/settingsstore.h"
#include "core/websearch.h"
#include "forms/browserhost.h"
#include "forms/messagebox.h"
#include "forms/prompts.h"

namespace skiff {

namespace {

WindowDefinition definition() {
    WindowDefinition d;
    d.caption = "Settings";
    d.clientWidth = 3540;
    d.clientHeight = 3405;
    d.fixedSize = true;
    d.controls = {
        {"txtStartupPage", ControlKind::TextBox, "", 225, 375, 3060, 285, "about:blank"},
        groupBox("xpgroupboxStart", "", 75, 75, 3390, 1140, "Start-Up Page"),
        commandButton("xpcmdDefault", "xpgroupboxStart", 150, 675, 990, 315, "USE DEFAULT"),
        commandButton("xpcmdCurrent", "xpgroupboxStart", 1200, 675, 990, 315, "USE CURRENT"),
        commandButton("xpcmdBlank", "xpgroupboxStart", 2250, 675, 990, 315, "USE BLANK"),
        groupBox("xpgroupboxMode", "", 75, 1275, 3390, 765, "Browsing Mode"),
        commandButton("xpcmdOffline", "xpgroupboxMode", 150, 300, 1515, 315, "WORK OFFLiNE"),
        commandButton("xpcmdOnline", "xpgroupboxMode", 1725, 300, 1515, 315, "WORK ONLiNE"),
        groupBox("xpgroupboxStatus", "", 75, 2100, 3390, 765, "Status Bar"),
        commandButton("xpcmdHide", "xpgroupboxStatus", 150, 300, 1515, 315, "HiDE STATUS BAR"),
        commandButton("xpcmdShow", "xpgroupboxStatus", 1725, 300, 1515, 315, "SHOW STATUS BAR"),
        commandButton("xpcmdSave", "", 1875, 3000, 765, 315, "SAVE"),
        commandButton("xpcmdCancel", "", 2700, 3000, 765, 315, "CANCEL"),
    };
    d.accessibleNames = {{"txtStartupPage", "Start-Up Page"}};
    return d;
}

}  // namespace

FrmSettings::FrmSettings() {
    build(definition());
    txtStartupPage_ = control<QLineEdit>("txtStartupPage");
    connectClicks({
        {"xpcmdDefault", &FrmSettings::xpcmdDefault_Click},
        {"xpcmdCurrent", &FrmSettings::xpcmdCurrent_Click},
        {"xpcmdBlank", &FrmSettings::xpcmdBlank_Click},
        {"xpcmdOffline", &FrmSettings::xpcmdOffline_Click},
        {"xpcmdOnline", &FrmSettings::xpcmdOnline_Click},
        {"xpcmdHide", &FrmSettings::xpcmdHide_Click},
        {"xpcmdShow", &FrmSettings::xpcmdShow_Click},
        {"xpcmdSave", &FrmSettings::xpcmdSave_Click},
        {"xpcmdCancel", &FrmSettings::xpcmdCancel_Click},
    });
}

void FrmSettings::Form_Load() {
    txtStartupPage_->setText(GetSetting(kSettingsApp, kSettingsSection, kStartupPageKey, ""));
}

void FrmSettings::xpcmdDefault_Click() {
    txtStartupPage_->setText(kSearchHost);
}

void FrmSettings::xpcmdCurrent_Click() {
    txtStartupPage_->setText(firstBrowserWindow()->currentAddress());
}

void FrmSettings::xpcmdBlank_Click() {
    txtStartupPage_->setText("about:blank");
}

void FrmSettings::xpcmdOffline_Click() {
    firstBrowserWindow()->setOffline(true);
}

void FrmSettings::xpcmdOnline_Click() {
    firstBrowserWindow()->setOffline(false);
}

void FrmSettings::xpcmdHide_Click() {
    firstBrowserWindow()->setStatusBarVisible(false);
}

void FrmSettings::xpcmdShow_Click() {
    firstBrowserWindow()->setStatusBarVisible(true);
}

// A store that cannot be written keeps the window open with the typed text. A damaged store
// file is replaced only when the user agrees, and is kept beside the new one.
void FrmSettings::xpcmdSave_Click() {
    const QString value = txtStartupPage_->text();
    switch (SaveSetting(kSettingsApp, kSettingsSection, kStartupPageKey, value)) {
        case SaveResult::Saved:
            unloadFrmSettings();
            return;
        case SaveResult::NotWritable:
            MsgBox("The start-up page could not be saved: the settings store cannot be written.",
                   "Settings", this);
            return;
        case SaveResult::Damaged:
            replaceDamagedFile(value);
            return;
    }
}

void FrmSettings::replaceDamagedFile(const QString& value) {
    const QString file = QDir::toNativeSeparators(settingsFilePath(kSettingsApp));
    const QString question =
        "The start-up page was not saved: the settings file \"" + file +
        "\" is damaged.\n\nReplace it with a new settings file? The damaged file is kept "
        "beside it as a backup.";
    if (!askYesNo(this, "Settings", question)) return;
    const auto backup =
        replaceDamagedSettings(kSettingsApp, kSettingsSection, kStartupPageKey, value);
    if (!backup) {
        MsgBox("The start-up page could not be saved: the settings file \"" + file +
                   "\" could not be replaced. Nothing was changed.",
               "Settings", this);
        return;
    }
    MsgBox("The start-up page was saved in a new settings file. The damaged file was kept as \"" +
               QDir::toNativeSeparators(*backup) + "\".",
           "Settings", this);
    unloadFrmSettings();
}

void FrmSettings::xpcmdCancel_Click() {
    unloadFrmSettings();
}

}  // namespace skiff
