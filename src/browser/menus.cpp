// The "Tools" menu and the two menu titles that open the tool windows. The engine's own
// commands act on this window's page; the tool windows always act on the first browser
// window.

#include "browser/frmmain.h"
#include "engine/webbrowser.h"
#include "favorites/frmfavorites.h"
#include "internetoptions/internetoptions.h"
#include "settings/frmsettings.h"
#include "source_viewer/frmsource.h"

namespace skiff {

namespace {

// Shows a tool window, loading it first if needed. One that is already open, perhaps behind
// the browser window, comes to the front with the keyboard; nothing is read again.
void bringForward(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

void FrmMain::mnuFind_Click() {
    wbMain_->ExecWB(WebBrowser::Command::Find, WebBrowser::kDoDefault);
}

// There is no platform control panel for the engine's options: Skiff has its own window.
void FrmMain::mnuOptions_Click() {
    bringForward(&frmOptions());
}

void FrmMain::mnuProperties_Click() {
    wbMain_->ExecWB(WebBrowser::Command::Properties, WebBrowser::kDoDefault);
}

void FrmMain::mnuPrint_Click() {
    wbMain_->ExecWB(WebBrowser::Command::Print, WebBrowser::kDoDefault);
}

void FrmMain::mnuSave_Click() {
    wbMain_->ExecWB(WebBrowser::Command::SaveAs, WebBrowser::kDoDefault);
}

void FrmMain::mnuSource_Click() {
    bringForward(&frmSource());
}

void FrmMain::mnuFavorites_Click() {
    bringForward(&frmFavorites());
}

void FrmMain::mnuSettings_Click() {
    bringForward(&frmSettings());
}

}  // namespace skiff
