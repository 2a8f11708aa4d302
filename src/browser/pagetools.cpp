// The "Tools" menu and the two menu titles that open the tool windows. The engine's own
// commands act on this window's page; the tool windows always act on the first browser
// window.

#include "browser/frmmain.h"
#include "browser/internetoptions.h"
#include "favorites/frmfavorites.h"
#include "platform/webbrowser.h"
#include "settings/frmsettings.h"
#include "source_viewer/frmsource.h"

namespace skiff {

void FrmMain::mnuFind_Click() {
    wbMain_->ExecWB(WebBrowser::Find, WebBrowser::kDoDefault);
}

// There is no platform control panel for the engine's options: Skiff has its own window.
void FrmMain::mnuOptions_Click() {
    showInternetOptions();
}

void FrmMain::mnuProperties_Click() {
    wbMain_->ExecWB(WebBrowser::Properties, WebBrowser::kDoDefault);
}

void FrmMain::mnuPrint_Click() {
    wbMain_->ExecWB(WebBrowser::Print, WebBrowser::kDoDefault);
}

void FrmMain::mnuSave_Click() {
    wbMain_->ExecWB(WebBrowser::SaveAs, WebBrowser::kDoDefault);
}

void FrmMain::mnuSource_Click() {
    frmSource().show();
}

void FrmMain::mnuFavorites_Click() {
    frmFavorites().show();
}

void FrmMain::mnuSettings_Click() {
    frmSettings().show();
}

}  // namespace skiff
