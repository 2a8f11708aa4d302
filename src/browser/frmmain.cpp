#include "browser/frmmain.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTimer>
#include <utility>

#include "browser/browserprogram.h"
#include "controls/hosting/twips.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "core/clock.h"
#include "core/names.h"
#include "core/settingsstore.h"
#include "downloads/downloads.h"
#include "engine/engine.h"
#include "engine/webbrowser.h"
#include "favorites/frmfavorites.h"
#include "forms/twipgeometry.h"
#include "internetoptions/internetoptions.h"
#include "pagetools/pagetools.h"
#include "settings/frmsettings.h"
#include "source_viewer/frmsource.h"
#include "statusbar/progressbar.h"
#include "statusbar/statusbar.h"

namespace skiff {

namespace {

// The window's stored definition, in tab order. The web component is the window's own.
WindowDefinition definition() {
    WindowDefinition d;
    d.clientWidth = 8310;
    d.clientHeight = 2970;
    d.controls = {
        {"wbMain", ControlKind::WebBrowser, "", 75, 525, 7995, 1935},
        {"proLoad", ControlKind::ProgressBar, "", 7650, 2700, 1905, 195},
        {"cboUrl", ControlKind::ComboBox, "", 2550, 75, 1650, 315},
        {"txtSearch", ControlKind::TextBox, "", 5175, 75, 2070, 315, "Search..."},
        {.name = "stbStatus",
         .kind = ControlKind::StatusBar,
         .top = 2655,
         .width = 8310,
         .height = 315,
         .panels = {7000, 2000, 650, 650, 650}},
        commandButton("xpcmdBack", "", 75, 75, 765, 315, "BACK"),
        commandButton("xpcmdForward", "", 900, 75, 765, 315, "FORWARD"),
        commandButton("xpcmdRefresh", "", 1725, 75, 765, 315, "REFRESH"),
        commandButton("xpcmdGo", "", 4275, 75, 765, 315, "GO!"),
        commandButton("xpcmdSearch", "", 7275, 75, 765, 315, "SEARCH"),
    };
    d.accessibleNames = {{"cboUrl", "Address"}, {"txtSearch", "Search"}};
    return d;
}

}  // namespace

FrmMain::FrmMain(const NewWindowRequest* request, std::optional<QString> startAddress)
    : startAddress_(std::move(startAddress)) {
    setAttribute(Qt::WA_DeleteOnClose, false);  // unloading discards the window
    client_ = new QWidget(this);
    setCentralWidget(client_);

    wbMain_ = engine()->createBrowser(this, request);
    build(definition(), client_, {{"wbMain", wbMain_->widget()}});
    resize(size() + QSize(0, menuBar()->sizeHint().height()));

    stbStatus_ = control<StatusBar>("stbStatus");
    proLoad_ = control<ProgressBar>("proLoad");
    cboUrl_ = control<QComboBox>("cboUrl");
    txtSearch_ = control<QLineEdit>("txtSearch");
    xpcmdBack_ = button("xpcmdBack");
    xpcmdForward_ = button("xpcmdForward");
    xpcmdGo_ = button("xpcmdGo");
    xpcmdSearch_ = button("xpcmdSearch");
    // The web view's bottom edge lies under the status bar, the progress bar over it.
    stbStatus_->shareWith({wbMain_->widget()});
    stbStatus_->carryProgress(proLoad_);
    proLoad_->hide();                // it shows only while a load reports progress
    cboUrl_->setCompleter(nullptr);  // typing only types: the list completes nothing
    keepAddressOnOneLine();
    tmrMain_ = new QTimer(this);  // interval 0: not running until the load

    createMenus();
    addShortcuts();
    connectControls();
    connectEngine();
    dockStatusBar();
    client_->installEventFilter(this);
}

FrmMain::~FrmMain() = default;

QAction* FrmMain::menuItem(const QString& name) const {
    return findChild<QAction*>(name);
}

void FrmMain::createMenus() {
    // An item of a menu, or a title of the menu bar that acts when chosen itself.
    auto item = [this](QWidget* menu, const QString& name, const QString& caption,
                       void (FrmMain::*handler)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    QMenu* nav = menuBar()->addMenu("Navigate");
    nav->setObjectName("mnuNavigate");
    item(nav, "mnuGo", "Go!", &FrmMain::Go);
    mnuHome_ = item(nav, "mnuHome", "Home", &FrmMain::Home);
    mnuRefresh_ = item(nav, "mnuRefresh", "Refresh", &FrmMain::Refresh);
    mnuBack_ = item(nav, "mnuBack", "Back", &FrmMain::Back);
    mnuForward_ = item(nav, "mnuForward", "Forward", &FrmMain::Forward);
    mnuStop_ = item(nav, "mnuStop", "Stop", &FrmMain::Stop);

    QMenu* tools = menuBar()->addMenu("Tools");
    tools->setObjectName("mnuTools");
    mnuFind_ = item(tools, "mnuFind", "Find In Page...", &FrmMain::mnuFind_Click);
    item(tools, "mnuOptions", "Internet Options...", &FrmMain::mnuOptions_Click);
    item(tools, "mnuProperties", "Page Properties...", &FrmMain::mnuProperties_Click);
    mnuPrint_ = item(tools, "mnuPrint", "Print Page...", &FrmMain::mnuPrint_Click);
    mnuSave_ = item(tools, "mnuSave", "Save Page As...", &FrmMain::mnuSave_Click);
    mnuSource_ = item(tools, "mnuSource", "View Page Source...", &FrmMain::mnuSource_Click);

    mnuFavorites_ = item(menuBar(), "mnuFavorites", "Favorites", &FrmMain::mnuFavorites_Click);
    item(menuBar(), "mnuSettings", "Settings", &FrmMain::mnuSettings_Click);
}

// ---- Lifecycle ----

void FrmMain::Form_Load() {
    if (!startAddress_) startAddress_ = BrowserProgram::current()->takeFirstAddress();
    const QString startupPage = GetSetting(kSettingsApp, kSettingsSection, kStartupPageKey, "");
    const QString firstPage = startAddress_.value_or(startupPage);
    if (!firstPage.isEmpty()) {
        setAddressText(firstPage);
        Go();
    } else {
        wbMain_->Navigate("about:blank");
    }
    maximise();
    wbMain_->setSilent(true);
    tmrMain_->start(1000);
    const QDateTime now = BrowserProgram::current()->clock().now();
    stbStatus_->setPanelText(StatusPanel::Mode, "ONLiNE");
    stbStatus_->setPanelText(StatusPanel::Time, timeOfDayText(now.time()));
    stbStatus_->setPanelText(StatusPanel::Date, shortDateText(now.date()));
}

// Without a window manager (a bare X display) maximising alone does nothing, so the window
// takes the screen's free area first.
void FrmMain::maximise() {
    if (const QScreen* s = screen()) setGeometry(s->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
}

void FrmMain::Form_Activate() {
    cboUrl_->setFocus();
}

void FrmMain::tmrMain_Timer() {
    stbStatus_->setPanelText(StatusPanel::Time,
                             timeOfDayText(BrowserProgram::current()->clock().now().time()));
}

// Closing any browser window closes the favorites window, the first browser window, the
// settings window and the source window, in that order. The first window closes as its close
// box closes it: once its page agrees.
void FrmMain::Form_Unload() {
    tmrMain_->stop();
    unloadFrmFavorites();
    // Not loaded any more when this is the first window: it is already being unloaded.
    if (frmMainLoaded()) frmMain().close();
    unloadFrmSettings();
    unloadFrmSource();
    unloadFrmOptions();  // Skiff's own Internet Options window goes with them
}

// The window closes only once its page agrees (see WebBrowser::requestClose). Closing the last
// browser window ends the program: while downloads run, the user is asked first, and may keep
// the window (its page is asked again next time).
void FrmMain::closeEvent(QCloseEvent* e) {
    if (!pageAgreedToClose_) {
        const QScopedValueRollback asking(askingPageInClose_, true);
        wbMain_->requestClose();
    }
    if (pageAgreedToClose_ && !askNothingInClose_ && closingEndsTheProgram() &&
        !BrowserProgram::current()->downloads().mayEnd(this))
        pageAgreedToClose_ = false;
    if (!pageAgreedToClose_) {
        e->ignore();
        return;
    }
    Form::closeEvent(e);
}

void FrmMain::closeWithoutAsking() {
    pageAgreedToClose_ = true;
    askNothingInClose_ = true;
    close();
}

// Closing any browser window takes the first one with it; the others stay.
bool FrmMain::closingEndsTheProgram() const {
    const FrmMain* first = frmMainLoaded() ? &frmMain() : nullptr;
    for (const FrmMain* other : BrowserProgram::current()->browserWindows())
        if (other != this && other != first && other->isVisible()) return false;
    return true;
}

void FrmMain::wbMain_CloseAnswered(bool mayClose) {
    if (!mayClose) {
        emit pageKept();
        return;
    }
    pageAgreedToClose_ = true;
    if (!askingPageInClose_) close();
}

bool FrmMain::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) Form_Activate();
    return QMainWindow::event(e);
}

}  // namespace skiff

namespace skiff {

// ---- Wiring ----

void FrmMain::connectControls() {
    connectClicks({
        {"xpcmdBack", &FrmMain::Back},
        {"xpcmdForward", &FrmMain::Forward},
        {"xpcmdRefresh", &FrmMain::Refresh},
        {"xpcmdGo", &FrmMain::Go},
        {"xpcmdSearch", &FrmMain::Search},
    });
    connect(tmrMain_, &QTimer::timeout, this, &FrmMain::tmrMain_Timer);
    // Keys reach the address box itself, the focus widget; it hands them on to its inner line
    // edit directly, past any filter there.
    cboUrl_->installEventFilter(this);
    txtSearch_->installEventFilter(this);
    xpcmdSearch_->installEventFilter(this);
}

void FrmMain::connectEngine() {
    WebBrowser* wb = wbMain_;
    connect(wb, &WebBrowser::StatusTextChange, this, &FrmMain::wbMain_StatusTextChange);
    connect(wb, &WebBrowser::ProgressChange, this, &FrmMain::wbMain_ProgressChange);
    connect(wb, &WebBrowser::CommandStateChange, this, &FrmMain::wbMain_CommandStateChange);
    connect(wb, &WebBrowser::DownloadBegin, this, &FrmMain::wbMain_DownloadBegin);
    connect(wb, &WebBrowser::DownloadComplete, this, &FrmMain::wbMain_DownloadComplete);
    connect(wb, &WebBrowser::TitleChange, this, &FrmMain::wbMain_TitleChange);
    connect(wb, &WebBrowser::closeAnswered, this, &FrmMain::wbMain_CloseAnswered);
    connect(wb, &WebBrowser::printRequested, this, &FrmMain::mnuPrint_Click);
    wb->setNewWindowHook([this](const NewWindowRequest& request) -> WebBrowser* {
        WebBrowser* ppDisp = nullptr;
        bool Cancel = false;
        wbMain_NewWindow2(request, &ppDisp, &Cancel);
        return Cancel ? nullptr : ppDisp;
    });
    // The engine's own commands on the page (find, properties, print, save as).
    auto* tools = new PageTools(wb);
    connect(tools, &PageTools::statusMessage, this, &FrmMain::wbMain_StatusTextChange);
    connect(wb, &WebBrowser::NavigateComplete2, this, &FrmMain::wbMain_NavigateComplete2);
    connect(wb, &WebBrowser::DocumentComplete, this, &FrmMain::wbMain_DocumentComplete);
}

bool FrmMain::eventFilter(QObject* watched, QEvent* e) {
    const auto isEnter = [e] {
        if (e->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(e)->key();
        return key == Qt::Key_Return || key == Qt::Key_Enter;
    };
    if (watched == client_ && e->type() == QEvent::Resize) {
        dockStatusBar();
        Form_Resize();
    } else if (watched == cboUrl_ && isEnter()) {
        cboUrl_Enter();  // then the box goes on with the key
    } else if (watched == txtSearch_ && isEnter()) {
        Search();
    } else if (watched == txtSearch_ && e->type() == QEvent::FocusIn) {
        txtSearch_GotFocus();
    } else if (watched == xpcmdSearch_ && e->type() == QEvent::FocusOut) {
        xpcmdSearch_LostFocus();
    }
    return QMainWindow::eventFilter(watched, e);
}

// The status bar is docked to the bottom edge over the full width.
void FrmMain::dockStatusBar() {
    const int h = stbStatus_->height();
    stbStatus_->setGeometry(0, client_->height() - h, client_->width(), h);
}

float FrmMain::ScaleWidth() const {
    return scaleWidth(client_);
}
float FrmMain::ScaleHeight() const {
    return scaleHeight(client_);
}

bool FrmMain::setWebHeight(float twips) {
    return setTwipsHeight(wbMain_->widget(), twips);
}

// ---- What the tool windows ask ----

// The address goes into the address box as it is opened; one that is refused never reaches it.
void FrmMain::navigate(const QString& address) {
    const QString line = addressOnOneLine(address);
    if (openAddress(line)) setAddressText(line);
}

QString FrmMain::currentAddress() const {
    return wbMain_->LocationURL();
}

QString FrmMain::pageTitle() const {
    return wbMain_->LocationName();
}

void FrmMain::documentMarkup(std::function<void(std::optional<QString>)> callback) {
    wbMain_->documentMarkup(std::move(callback));
}

// The address box's text, or the whole address when it shows one cut.
QString FrmMain::addressText() const {
    const QString shown = cboUrl_->currentText();
    return wholeAddresses_.value(shown, shown);
}

void FrmMain::setAddressText(const QString& text) {
    cboUrl_->setEditText(shownInAddressBox(text));
}

// What the address box shows of `address`: all of it, or its start, which stands for it.
QString FrmMain::shownInAddressBox(const QString& address) {
    if (address.size() <= kShownAddressLength) return address;
    const QString shown = address.left(kShownAddressLength);
    wholeAddresses_.insert(shown, address);
    return shown;
}

void FrmMain::setOffline(bool offline) {
    wbMain_->setOffline(offline);
    stbStatus_->setPanelText(StatusPanel::Mode, offline ? "OFFLiNE" : "ONLiNE");
}

// Hidden, the web component ends at the window's bottom edge (its top stays at 525 twips);
// shown, it leaves the status bar its place. A height refused (a minimised window) keeps the
// previous one; the status bar still follows.
void FrmMain::setStatusBarVisible(bool visible) {
    setWebHeight(ScaleHeight() - (visible ? 800.0f : 525.0f));
    stbStatus_->setVisible(visible);
}

}  // namespace skiff
