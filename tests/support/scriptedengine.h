#pragma once

#include <QList>
#include <QPair>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <tuple>

#include "engine/engine.h"
#include "engine/engineoptions.h"
#include "engine/webbrowser.h"

namespace skiff::test {

// The web component for tests of the windows' handlers: no engine, no pages. It records every
// call made on it, answers reads and fallible calls with the values a test sets, and lets the
// test raise each event.
//
//     ScriptedBrowser wb;
//     wb.locationURL = "http://127.0.0.1/a";  // what the handler under test will read
//     wb.fireNavigateComplete2();               // the event it handles
//     QCOMPARE(wb.goBackCalls, 0);              // what it called
//
// Public members are the script: set the answers before the call, read the records after.
class ScriptedBrowser : public WebBrowser {
    Q_OBJECT
public:
    explicit ScriptedBrowser(QObject* parent = nullptr);
    ~ScriptedBrowser() override;

    // --- Answers -------------------------------------------------------------------------
    QString locationName;                  // LocationName()
    QString locationURL;                   // LocationURL()
    std::optional<QString> activeTagName;  // activeElementTagName(); nothing = read fails
    std::optional<QString> markup;         // given to documentMarkup() callbacks
    bool answerMarkupLater = false;        // true: callbacks wait for answerMarkup()
    bool goBackResult = true;              // GoBack()
    bool goForwardResult = true;           // GoForward()
    bool stopResult = true;                // Stop()
    bool execResult = true;                // ExecWB()
    double zoom = 1.0;                     // zoomFactor()
    bool ready = true;                     // pageReady()
    // Given to findText() callbacks for a non-empty text.
    FindResult findResult{1, 1};
    std::optional<PageProperties> properties;  // pageProperties(); nothing = refused
    bool printResult = true;                   // given to print() callbacks
    bool saveResult = true;                    // given to savePage() callbacks

    // --- Records -------------------------------------------------------------------------
    QStringList navigated;  // every Navigate() text, in order
    int goBackCalls = 0;
    int goForwardCalls = 0;
    int goHomeCalls = 0;
    int refreshCalls = 0;
    int stopCalls = 0;
    QList<QPair<int, int>> execCalls;  // (command, option) of every ExecWB()
    QList<bool> silentWrites;          // every setSilent() value
    QList<bool> offlineWrites;         // every setOffline() value
    int markupRequests = 0;
    // Every findText() as (text, backward, case sensitive).
    QList<std::tuple<QString, bool, bool>> searches;
    QStringList printed;                      // output file of every print()
    QList<QPair<QString, SaveFormat>> saved;  // every savePage()

    // Calls the documentMarkup() callbacks held back by answerMarkupLater with `markup`.
    void answerMarkup();

    // --- Events: each raises the signal of the same name ------------------------------------
    void fireStatusTextChange(const QString& text) { emit StatusTextChange(text); }
    void fireProgressChange(int progress, int progressMax) {
        emit ProgressChange(progress, progressMax);
    }
    void fireCommandStateChange(int command, bool enable) {
        emit CommandStateChange(static_cast<Command>(command), enable);
    }
    void fireDownloadBegin() { emit DownloadBegin(); }
    void fireDownloadComplete(bool succeeded) { emit DownloadComplete(succeeded); }
    void fireTitleChange(const QString& text) { emit TitleChange(text); }
    void fireNavigateComplete2() { emit NavigateComplete2(); }
    void fireDocumentComplete(bool succeeded) { emit DocumentComplete(succeeded); }
    // Whether the component answers a page's request for a new window (made by the engine with
    // the request).
    bool openedByPage = false;
    // A page's request for a new window, this component's page asking: what the host's
    // new-window hook answered.
    struct NewWindowAnswer {
        WebBrowser* ppDisp = nullptr;
        bool Cancel = false;
    };
    // A page's request for a new window, made right after an action of the user in the page
    // unless `afterUserAction` is false.
    NewWindowAnswer fireNewWindow2(bool afterUserAction = true);

    // --- The interface ---------------------------------------------------------------------
    QWidget* widget() override { return m_widget; }
    void Navigate(const QString& address) override { navigated.append(address); }
    bool GoBack() override;
    bool GoForward() override;
    void GoHome() override { ++goHomeCalls; }
    void Refresh() override { ++refreshCalls; }
    bool Stop() override;
    void setSilent(bool silent) override;
    bool Silent() const override { return m_silent; }
    void setOffline(bool offline) override;
    bool Offline() const override { return m_offline; }
    QString LocationName() const override { return locationName; }
    QString LocationURL() const override { return locationURL; }
    std::optional<QString> activeElementTagName() const override { return activeTagName; }
    void documentMarkup(std::function<void(std::optional<QString>)> callback) override;
    bool ExecWB(Command command, int option) override;
    bool pageReady() const override { return ready; }
    void findText(const QString& text, bool backward, bool caseSensitive,
                  std::function<void(FindResult)> done) override;
    bool print(QPrinter* printer, std::function<void(bool ok)> done) override;
    bool savePage(const QString& path, SaveFormat format,
                  std::function<void(bool ok)> done) override;
    bool pageProperties(std::function<void(const PageProperties&)> done) override;

    // Commands go to the host's command handler (the page tools) instead of being recorded.
    bool passCommands = false;
    double zoomFactor() const override { return zoom; }
    void setZoomFactor(double factor) override { zoom = factor; }

private:
    // A plain widget standing in for the page view. The host may reparent it and delete it
    // with its window; otherwise this object deletes it.
    QPointer<QWidget> m_widget;
    bool m_silent = false;
    bool m_offline = false;
    QList<std::function<void(std::optional<QString>)>> m_pendingMarkup;
};

// The engine for tests of the windows: it makes scripted components and counts the calls on
// what they share.
class ScriptedEngine : public Engine {
    Q_OBJECT
public:
    QList<QPointer<ScriptedBrowser>> made;  // the components made, in order; null when gone
    int clearCacheCalls = 0;
    int clearCookiesCalls = 0;
    QList<EngineOptions> appliedOptions;

    WebBrowser* createBrowser(QObject* owner, const NewWindowRequest* request) override;
    void clearCache() override { ++clearCacheCalls; }
    void clearCookies() override { ++clearCookiesCalls; }
    void applyOptions(const EngineOptions& options) override;
};

}  // namespace skiff::test
