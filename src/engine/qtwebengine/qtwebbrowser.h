#pragma once

#include <QMap>
#include <QPointer>
#include <optional>

#include "engine/qtwebengine/focustracking.h"
#include "engine/webbrowser.h"

class QWebEngineDownloadRequest;
class QWebEngineHistoryItem;
class QWebEngineLoadingInfo;
class QWebEngineNewWindowRequest;
class QWebEnginePage;
class QWebEngineView;
class QUrl;

namespace skiff {

class EngineDialogs;
class EngineOptions;
class PageDialogs;
class QtEngine;

// The web component on Qt WebEngine. Its widget is a web view that the host places and sizes;
// the host may delete the widget with its window, after which every operation of this object
// does nothing and every read answers as for an empty page.
class QtWebBrowser : public WebBrowser {
    Q_OBJECT
public:
    // A component on `engine`'s profile; `openedByPage` when it answers a page's request for a
    // new window (see QtEngine::createBrowser).
    explicit QtWebBrowser(QtEngine& engine, QObject* parent = nullptr, bool openedByPage = false);
    ~QtWebBrowser() override;

    // The component whose view shows `page`; null when none does.
    static QtWebBrowser* forPage(QWebEnginePage* page);

    QWidget* widget() override;

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
    bool Offline() const override;

    QString LocationName() const override;
    QString LocationURL() const override;

    std::optional<QString> activeElementTagName() const override { return m_focus.activeTag(); }
    void documentMarkup(std::function<void(std::optional<QString>)> callback) override;

    bool pageReady() const override;
    void findText(const QString& text, bool backward, bool caseSensitive,
                  std::function<void(FindResult)> done) override;
    bool print(QPrinter* printer, std::function<void(bool ok)> done) override;
    bool savePage(const QString& path, SaveFormat format,
                  std::function<void(bool ok)> done) override;
    bool pageProperties(std::function<void(const PageProperties&)> done) override;
    double zoomFactor() const override;
    void setZoomFactor(double factor) override;

    // A save of this component's page that the engine started: its end answers the savePage()
    // call it belongs to. The engine hands every save of a page to the page's component.
    void takeSave(QWebEngineDownloadRequest* request);

private:
    class View;
    class OfflineFilter;

    QWebEnginePage* page() const;
    void connectPage(QWebEnginePage* page);
    void openNewWindow(QWebEngineNewWindowRequest& request);
    void goTo(const QWebEngineHistoryItem& item);

    // A load's start and end come from the engine's loading reports, which follow its other
    // signals for the same step (the last progress comes before the end).
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onLoadStarted(const QUrl& url);
    void onLoadFinished(const QWebEngineLoadingInfo& info);
    void onLinkHovered(const QString& url);
    void onUrlChanged();
    void reportCommandStates();

    QtEngine& m_engine;
    const bool m_openedByPage;
    FocusTracker m_focus;
    QPointer<View> m_view;
    OfflineFilter* m_offlineFilter;
    PageDialogs* m_pageDialogs;
    EngineDialogs* m_dialogs = nullptr;
    std::function<void(bool)> m_printDone;  // of the print under way
    // The searches not yet answered, by number: the engine answers only the last of several.
    QMap<quint64, std::function<void(FindResult)>> m_searches;
    quint64 m_searchCount = 0;
    QList<std::function<void(bool)>> m_saveDone;  // of the saves asked for, in order

    bool m_silent = false;
    bool m_loading = false;
    bool m_urlReported = false;  // NavigateComplete2 raised for the load under way
    QString m_hoveredLink;
    std::optional<bool> m_backEnabled;
    std::optional<bool> m_forwardEnabled;
};

}  // namespace skiff
