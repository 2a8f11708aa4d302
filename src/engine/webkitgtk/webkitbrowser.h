#pragma once

#include <QPointer>
#include <QUrl>
#include <memory>
#include <optional>

#include "engine/webbrowser.h"

using WebKitWebView = struct _WebKitWebView;
using WebKitUserContentManager = struct _WebKitUserContentManager;
using WebKitScriptDialog = struct _WebKitScriptDialog;
using WebKitPrintOperation = struct _WebKitPrintOperation;
using WebKitFindController = struct _WebKitFindController;
using WebKitBackForwardListItem = struct _WebKitBackForwardListItem;

namespace skiff {

class FrameOrigins;
class PageDialogs;
class PlugHost;
class WebKitDialogs;
class WebKitEngine;

// The web component on WebKitGTK. Its widget hosts a WebKit view (see PlugHost) that the host
// places and sizes; the host may delete the widget with its window, after which every operation
// of this object does nothing and every read answers as for an empty page.
class WebKitBrowser : public WebBrowser {
    Q_OBJECT
public:
    // The name of the program's own script world, which the page's scripts cannot reach.
    static constexpr char kWorld[] = "skiff";

    // A component on `engine`'s context. `opener` is the component whose page asked for this
    // one's window (see WebKitEngine::createBrowser): WebKit makes the new view beside the
    // opener's, in the same web process.
    WebKitBrowser(WebKitEngine& engine, QObject* parent = nullptr, WebKitBrowser* opener = nullptr);
    ~WebKitBrowser() override;

    // The component that shows `view`; null when none does.
    static WebKitBrowser* forView(WebKitWebView* view);

    QWidget* widget() override;
    // The view; null once the widget is gone.
    WebKitWebView* view() const;

    void Navigate(const QString& address) override;
    bool GoBack() override;
    bool GoForward() override;
    void GoHome() override;
    void requestClose() override;
    void Refresh() override;
    bool Stop() override;

    void setSilent(bool silent) override { m_silent = silent; }
    bool Silent() const override { return m_silent; }
    void setOffline(bool offline) override;
    bool Offline() const override { return m_offline; }

    double zoomFactor() const override;
    void setZoomFactor(double factor) override;
    QString LocationName() const override;
    QString LocationURL() const override;

    std::optional<QString> activeElementTagName() const override { return m_activeTag; }
    void documentMarkup(std::function<void(std::optional<QString>)> callback) override;

    bool pageReady() const override;
    void findText(const QString& text, bool backward, bool caseSensitive,
                  std::function<void(FindResult)> done) override;
    bool print(QPrinter* printer, std::function<void(bool ok)> done) override;
    bool savePage(const QString& path, SaveFormat format,
                  std::function<void(bool ok)> done) override;
    bool pageProperties(std::function<void(const PageProperties&)> done) override;

    // Runs `script` in the program's own world of the page (or the page's world when `world` is
    // null); `done` gets its result as text, or nothing when it failed or gave null or
    // undefined, on the user-interface thread and not at all once this object is gone.
    void runScript(const QString& script, std::function<void(std::optional<QString>)> done,
                   const char* world = kWorld);
    // The contents of the resource at `address` that the page on display loaded, as it came;
    // nothing when the page did not load it or no longer has it. Answered later, and not at all
    // once this object is gone.
    void resourceData(const QString& address, std::function<void(std::optional<QByteArray>)> done);
    // The MIME type of that resource; empty when not known.
    QString resourceType(const QString& address);

private:
    void connectView();
    void detachView();
    void onLoadChanged(int event);
    void startLoad();
    void finishLoad();
    void onLoadFailed(const QString& uri, bool stopped);
    void onAddressChanged();
    void reportAddress();
    void onTitleChanged();
    void onLinkHovered(const QString& uri);
    void onFocusReport(const QString& tag);
    bool onScriptDialog(WebKitScriptDialog* dialog);
    WebKitWebView* onCreate(const QString& address);
    void reportCommandStates();
    // Runs the user's `load` of `address`; when the page does not answer (now, or before the
    // load commits), its web process is ended and `address` loaded in a new one.
    void loadPastHungPage(const QByteArray& address, const std::function<void()>& load);
    void goTo(WebKitBackForwardListItem* item);
    bool undoOrRedo(QKeyCombination key);
    void endHungPage();
    // The page tools (webkitpagetools.cpp).
    struct Tools;
    Tools& tools();
    void connectPageTools();
    void disconnectPageTools();
    void startSearch();
    void onSearchAnswer(int matches);
    void answerSearch(int activeMatch);
    void finishPrint(bool ok);

    WebKitEngine& m_engine;
    const bool m_openedByPage;
    WebKitWebView* m_view;  // shown in the plug host's plug, destroyed with it
    WebKitUserContentManager* m_content;
    std::unique_ptr<FrameOrigins> m_frameOrigins;  // which frame asks for a script dialog
    const int m_number;                            // this view's, in its page's focus reports
    QPointer<PlugHost> m_host;
    PageDialogs* m_pageDialogs;
    WebKitDialogs* m_dialogs;

    bool m_silent = false;
    bool m_offline = false;
    bool m_loading = false;
    bool m_urlReported = false;        // NavigateComplete2 raised for the load under way
    QString m_reportedAddress;         // the address NavigateComplete2 last reported
    QString m_requestedAddress;        // the page's address for a window made for a page
    std::optional<QString> m_failure;  // why the load under way failed, as the status text says
    bool m_stopped = false;
    QByteArray m_userLoad;    // the address of the load the user asked for, until it commits
    int m_closeRequests = 0;  // the user's requests to close, to tell WebKit's answers apart
    // WebKit's page saying why the load under way failed: to come, or loading.
    enum class ErrorPage { None, Due, Loading } m_errorPage = ErrorPage::None;
    std::optional<QString> m_activeTag;
    QString m_hoveredLink;
    std::optional<bool> m_backEnabled;
    std::optional<bool> m_forwardEnabled;
    std::shared_ptr<Tools> m_tools;
};

}  // namespace skiff
