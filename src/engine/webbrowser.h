#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace skiff {

// The embeddable web component a browser window hosts as `wbMain`: the operations the
// windows call and the events they handle. QtWebBrowser is the real one; tests use a
// scripted double.
class WebBrowser : public QObject {
    Q_OBJECT
public:
    // ExecWB command identifiers and the one execution option the program uses.
    // FindNext is the program's own: the next match of the open find bar, or the bar opened.
    enum Command { SaveAs = 4, Print = 6, Properties = 10, Find = 32, FindNext = 1032 };
    static constexpr int kDoDefault = 0;

    using QObject::QObject;
    ~WebBrowser() override = default;

    // The widget that shows the pages; the host places and sizes it.
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
    virtual QString LocationURL() const = 0;   // the current page's full address

    // Document reads. The focused element's tag name in upper case, or nothing when the page
    // has no document yet or nothing is known to have the focus; answered at once.
    virtual std::optional<QString> activeElementTagName() const = 0;
    // The markup inside the document's root element; the callback gets nothing when there is
    // no document. The answer may come later, on the user-interface thread.
    virtual void documentMarkup(std::function<void(std::optional<QString>)> callback) = 0;

    // Runs one of the engine's own commands (find, properties, print, save as). False when the
    // command is refused (no page, or a page still loading).
    virtual bool ExecWB(int command, int option) = 0;

signals:
    void StatusTextChange(const QString& Text);
    void ProgressChange(int Progress, int ProgressMax);
    void CommandStateChange(int Command, bool Enable);
    void DownloadBegin();
    void DownloadComplete();
    void TitleChange(const QString& Text);
    // The handler either sets *Cancel or returns in *ppDisp the component of a new window, into
    // which the engine then loads the requested page. Connect with a direct connection.
    void NewWindow2(skiff::WebBrowser** ppDisp, bool* Cancel);
    void NavigateComplete2();
    void DocumentComplete();
};

}  // namespace skiff
