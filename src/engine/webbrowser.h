#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

#include "engine/pageproperties.h"

class QPrinter;
class QWidget;

namespace skiff {

class WebBrowser;

// A page's request for a window of its own, as the engine hands it to the host's new-window
// hook for the length of the call. The host passes it on to Engine::createBrowser for the new
// window's component, which then knows that a page opened it; an engine may need more of its
// opener than that (WebKitGTK makes the new view beside the opener's) and derives its own
// request from this class.
class NewWindowRequest {
public:
    explicit NewWindowRequest(WebBrowser& opener) : m_opener(opener) {}
    virtual ~NewWindowRequest() = default;
    NewWindowRequest(const NewWindowRequest&) = delete;
    NewWindowRequest& operator=(const NewWindowRequest&) = delete;

    // The component whose page asked.
    WebBrowser& opener() const { return m_opener; }

private:
    WebBrowser& m_opener;
};

// The embeddable web component a browser window hosts as `wbMain`: the operations the
// windows and page tools call and the events they handle. The WebKitGTK one (the default)
// lives in engine/webkitgtk/, the Qt WebEngine one in engine/qtwebengine/; tests use a
// scripted double.
class WebBrowser : public QObject {
    Q_OBJECT
public:
    // The commands of CommandStateChange (NavigateForward, NavigateBack) and of ExecWB.
    // FindNext is the program's own: the next match of the open find bar, or the bar opened.
    enum class Command {
        NavigateForward = 1,
        NavigateBack = 2,
        SaveAs = 4,
        Print = 6,
        Properties = 10,
        Find = 32,
        FindNext = 1032
    };
    Q_ENUM(Command)
    // The one execution option of ExecWB the program uses.
    static constexpr int kDoDefault = 0;

    // How a page is saved: with its resources in a folder beside it, or as one archive file.
    enum class SaveFormat { CompleteHtml, SingleFile };
    // The answer to a search in the page: the match now selected (from 1) of how many.
    struct FindResult {
        int activeMatch = 0;
        int numberOfMatches = 0;
    };

    // Makes the component of a new window that a page asked for, with Engine::createBrowser
    // and the request, or answers nothing to refuse.
    using NewWindowHook = std::function<WebBrowser*(const NewWindowRequest& request)>;
    // Runs an ExecWB command; false when it is refused.
    using CommandHandler = std::function<bool(Command)>;

    using QObject::QObject;
    ~WebBrowser() override = default;

    // The widget that shows the pages; the host places and sizes it. Keys pressed in the page
    // go to the page first, except those the browser keeps (browserKeepsKey()), which go to the
    // host's shortcuts at once; a key the page did not use comes back as a key press to the
    // widget's parent.
    virtual QWidget* widget() = 0;

    // Starts loading `address`, read the way a browser's address bar reads it. Empty text
    // does nothing.
    virtual void Navigate(const QString& address) = 0;
    // History steps, stop: false when there is nowhere to go or nothing to stop.
    virtual bool GoBack() = 0;
    virtual bool GoForward() = 0;
    virtual void GoHome() = 0;
    virtual void Refresh() = 0;
    virtual bool Stop() = 0;

    // No dialog boxes of the engine's own: certificate errors and the like are answered "no".
    virtual void setSilent(bool silent) = 0;
    virtual bool Silent() const = 0;
    // Work from the cache only (network requests refused) or online.
    virtual void setOffline(bool offline) = 0;
    virtual bool Offline() const = 0;

    // The page's zoom, 1 for its own size.
    virtual double zoomFactor() const = 0;
    virtual void setZoomFactor(double factor) = 0;
    virtual QString LocationName() const = 0;  // the current page's title
    // The current page's full address, as shown (see shownAddress() in core/names.h).
    virtual QString LocationURL() const = 0;

    // Document reads. The focused element's tag name in upper case, or nothing when the page
    // has no document yet or nothing is known to have the focus; answered at once.
    virtual std::optional<QString> activeElementTagName() const = 0;
    // The markup inside the document's root element; the callback gets nothing when there is
    // no document. The answer may come later, on the user-interface thread.
    virtual void documentMarkup(std::function<void(std::optional<QString>)> callback) = 0;

    // Page operations for the page tools. Each answers false, doing nothing, while no page is
    // on display or a page is loading (see pageReady()). Their answers come later, on the
    // user-interface thread, and not at all once the component is gone.
    virtual bool pageReady() const = 0;
    // Searches the page for `text` from the current match on; an empty text takes the marks
    // of the last search off the page.
    virtual void findText(const QString& text, bool backward, bool caseSensitive,
                          std::function<void(FindResult)> done) = 0;
    // Prints the page on `printer`, which must live until `done` is called.
    virtual bool print(QPrinter* printer, std::function<void(bool ok)> done) = 0;
    // Saves the page at `path`.
    virtual bool savePage(const QString& path, SaveFormat format,
                          std::function<void(bool ok)> done) = 0;
    virtual bool pageProperties(std::function<void(const PageProperties&)> done) = 0;

    // Runs one of the commands Find, FindNext, Properties, Print or SaveAs through the command
    // handler the host installed (the page tools). False when the command is refused (no
    // page, or a page still loading) or there is no handler.
    virtual bool ExecWB(Command command, int option);
    void setCommandHandler(CommandHandler handler) { m_commands = std::move(handler); }

    // The hook the engine calls when a page asks for a new window: the host makes the window,
    // its component made for the request, and answers that component, into which the engine then
    // loads the requested page; or it answers nothing, and no window opens. One action of the user
    // in the page (a press of a key or a mouse button) opens at most one window: further requests
    // are refused before the hook is asked, as are those that come before any action.
    void setNewWindowHook(NewWindowHook hook) { m_newWindow = std::move(hook); }

    // Asks the page whether it may close, as leaving it for another page does (a page may have
    // the user asked first); closeAnswered() gives the answer, after this call has returned.
    // A component without pages of its own agrees at once.
    virtual void requestClose() { emit closeAnswered(true); }

signals:
    void StatusTextChange(const QString& Text);
    void ProgressChange(int Progress, int ProgressMax);
    void CommandStateChange(skiff::WebBrowser::Command Command, bool Enable);
    void DownloadBegin();
    // The end of a load. `succeeded` is false when the load failed, was stopped or was refused:
    // the status text just before says so.
    void DownloadComplete(bool succeeded);
    void TitleChange(const QString& Text);
    void NavigateComplete2();
    void DocumentComplete(bool succeeded);
    // The answer to requestClose(): whether the page may close. True also, unasked, when the
    // script of a page in a window a script opened closes its window.
    void closeAnswered(bool mayClose);
    // The page asks to be printed (its script's window.print()).
    void printRequested();

protected:
    // Asks the host for a new window's component to show `address`; nothing when it refuses or
    // has no hook, or when no action of the user is left to open it. Nothing either for a data:
    // address, which would show content the page made up under no site's name: the engines
    // refuse it to links and scripts that send the page itself there.
    WebBrowser* requestNewWindow(const NewWindowRequest& request, const QUrl& address = {});
    // The engine reports an action of the user in the page, which may open one window; and a
    // new document, which no action of the user in the one before it may open a window for.
    void userActed() { m_windowAllowed = true; }
    void documentReplaced() { m_windowAllowed = false; }
    // A component made for a page's request waits for the requested page: until the host has
    // answered the request with it, the engine has not loaded that page, and an address the host
    // navigates to meanwhile (its start-up page) is not loaded, as the requested page takes its
    // place (a blank page that the opener writes into included).
    void awaitRequestedPage() { m_awaitingRequestedPage = true; }
    bool awaitingRequestedPage() const { return m_awaitingRequestedPage; }

private:
    CommandHandler m_commands;
    NewWindowHook m_newWindow;
    bool m_windowAllowed = false;
    bool m_awaitingRequestedPage = false;
};

}  // namespace skiff
