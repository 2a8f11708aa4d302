// Layout of the browser window on every resize, in twips and single precision. A size a
// control refuses (negative) keeps its previous value; the next step still runs with the
// values it reads.

#include <QComboBox>
#include <QLineEdit>

#include "browser/frmmain.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "engine/webbrowser.h"
#include "forms/twipgeometry.h"
#include "statusbar/progressbar.h"

namespace skiff {

void FrmMain::Form_Resize() {
    layOut(ScaleWidth(), ScaleHeight());
}

void FrmMain::layOut(float ScaleWidth, float ScaleHeight) {
    QWidget* web = wbMain_->widget();
    xpcmdbutton* go = xpcmdGo_;
    xpcmdbutton* search = xpcmdSearch_;
    setTwipsWidth(web, ScaleWidth - 300.0f);
    setTwipsHeight(web, ScaleHeight - 800.0f);
    setTwipsWidth(cboUrl_, ScaleWidth - 6500.0f);
    setTwipsLeft(go, twipsLeft(cboUrl_) + twipsWidth(cboUrl_));
    setTwipsLeft(txtSearch_, twipsWidth(go) + twipsLeft(cboUrl_) + twipsWidth(cboUrl_) + 100.0f);
    setTwipsLeft(search, twipsWidth(go) + twipsLeft(cboUrl_) + twipsWidth(cboUrl_) +
                             twipsWidth(txtSearch_) + 100.0f);
    setTwipsTop(proLoad_, twipsHeight(web) + twipsTop(web) + 50.0f);
    setTwipsWidth(proLoad_, 3600.0f);
    setTwipsLeft(proLoad_, 9000.0f);
    proLoad_->raise();  // the progress bar lies over the status bar
}

}  // namespace skiff
