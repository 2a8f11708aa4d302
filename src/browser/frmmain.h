#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <optional>

#include "engine/webbrowser.h"
#include "forms/browserhost.h"
#include "forms/form.h"

class QAction;
class QComboBox;
class QKeyEvent;
class QLineEdit;
class QMenu;
class QTimer;

namespace skiff {

class ProgressBar;
class StatusBar;
class xpcmdbutton;

// The browser window. The first one is reached through frmMain(); the program (BrowserProgram)
// opens further ones when a page asks for a new window, or for the command line. Every browser
// window makes its web component with the program's engine and reads the time from the
// program's clock.
class FrmMain : public Form<FrmMain, QMainWindow>, public BrowserHost {
    Q_OBJECT
public:
    // A browser window whose component answers `request`, a page's request for a new window
    // (none for other windows); it opens `startAddress` in place of the start-up page when
    // given.
    explicit FrmMain(const NewWindowRequest* request = nullptr,
                     std::optional<QString> startAddress = std::nullopt);
    ~FrmMain() override;

    // Lifecycle.
    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void tmrMain_Timer();
    // Closes the window without asking its page or the user anything, as the program ends at
    // the desktop's request.
    void closeWithoutAsking();

    // Navigation and search, from buttons, keys and the "Navigate" menu.
    void Go();
    void Home();
    void Refresh();
    void Back();
    void Forward();
    void Stop();
    void cboUrl_Enter();
    void Search();
    void txtSearch_GotFocus();
    void xpcmdSearch_LostFocus();

    // The web component's events.
    void wbMain_StatusTextChange(const QString& Text);
    void wbMain_ProgressChange(int Progress, int ProgressMax);
    void wbMain_CommandStateChange(WebBrowser::Command Command, bool Enable);
    void wbMain_DownloadBegin();
    void wbMain_DownloadComplete(bool succeeded);
    void wbMain_TitleChange();
    void wbMain_NewWindow2(const NewWindowRequest& request, WebBrowser** ppDisp, bool* Cancel);
    void wbMain_NavigateComplete2();
    void wbMain_DocumentComplete(bool succeeded);
    void wbMain_CloseAnswered(bool mayClose);
    bool IsPopup() const;

    // Page tools and the menus that open the tool windows.
    void mnuFind_Click();
    void mnuOptions_Click();
    void mnuProperties_Click();
    void mnuPrint_Click();
    void mnuSave_Click();
    void mnuSource_Click();
    void mnuFavorites_Click();
    void mnuSettings_Click();

    // Keys without a menu entry.
    void focusAddressBox();
    void findNext();
    void zoomIn();
    void zoomOut();
    void zoomReset();
    void closeWindow();
    void quit();

    // Layout of the client area, given in twips.
    void Form_Resize();
    void layOut(float ScaleWidth, float ScaleHeight);

    // The client area's size in twips, and the web component's height: a height the control
    // refuses (negative) keeps the previous one and gives false.
    float ScaleHeight() const;
    float ScaleWidth() const;
    bool setWebHeight(float twips);

    // BrowserHost: what the tool windows ask of the first browser window.
    void navigate(const QString& address) override;
    QString currentAddress() const override;
    QString pageTitle() const override;
    void documentMarkup(std::function<void(std::optional<QString>)> callback) override;
    QString addressText() const override;
    void setAddressText(const QString& text) override;
    void setOffline(bool offline) override;
    void setStatusBarVisible(bool visible) override;

    // Controls, by their names on the window.
    WebBrowser* wbMain() const { return wbMain_; }
    StatusBar* stbStatus() const { return stbStatus_; }
    QComboBox* cboUrl() const { return cboUrl_; }
    ProgressBar* proLoad() const { return proLoad_; }
    QLineEdit* txtSearch() const { return txtSearch_; }
    QAction* menuItem(const QString& name) const;
    QTimer* tmrMain() const { return tmrMain_; }

signals:
    // The page refused to close (the user chose to stay on it), and so the window stays.
    void pageKept();

protected:
    bool event(QEvent* e) override;
    // The window closes only once its page agrees (see WebBrowser::requestClose).
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void createMenus();
    bool openAddress(const QString& address);
    QString shownInAddressBox(const QString& address);
    void addShortcuts();
    QAction* actionForKey(const QKeyEvent& key) const;
    void connectControls();
    void connectEngine();
    void dockStatusBar();
    void showLoadEnd(const QString& text, bool succeeded);
    void maximise();
    void keepAddressOnOneLine();
    bool closingEndsTheProgram() const;
    QString timeOfDay() const;

    QWidget* client_ = nullptr;
    WebBrowser* wbMain_ = nullptr;
    StatusBar* stbStatus_ = nullptr;
    ProgressBar* proLoad_ = nullptr;
    QComboBox* cboUrl_ = nullptr;
    QLineEdit* txtSearch_ = nullptr;
    QTimer* tmrMain_ = nullptr;
    xpcmdbutton* xpcmdBack_ = nullptr;
    xpcmdbutton* xpcmdForward_ = nullptr;
    xpcmdbutton* xpcmdGo_ = nullptr;
    xpcmdbutton* xpcmdSearch_ = nullptr;
    // The menu entries that keys act on.
    QAction* mnuHome_ = nullptr;
    QAction* mnuRefresh_ = nullptr;
    QAction* mnuBack_ = nullptr;
    QAction* mnuForward_ = nullptr;
    QAction* mnuStop_ = nullptr;
    QAction* mnuFind_ = nullptr;
    QAction* mnuPrint_ = nullptr;
    QAction* mnuSave_ = nullptr;
    QAction* mnuSource_ = nullptr;
    QAction* mnuFavorites_ = nullptr;
    // The whole of each address the address box shows cut, by the text it shows.
    QHash<QString, QString> wholeAddresses_;
    std::optional<QString> startAddress_;  // in place of the start-up page
    bool pageAgreedToClose_ = false;
    bool askingPageInClose_ = false;  // an answer now comes inside closeEvent
    bool askNothingInClose_ = false;  // the program ends without a question
};

// The first browser window (created and loaded on first reference), whether it is loaded,
// and unloading it.
inline constexpr auto frmMain = &FrmMain::instance;
inline constexpr auto frmMainLoaded = &FrmMain::loaded;
inline constexpr auto unloadFrmMain = &FrmMain::unload;

}  // namespace skiff
