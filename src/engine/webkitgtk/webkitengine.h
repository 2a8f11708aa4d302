#pragma once

#include <QPointer>
#include <QString>
#include <memory>

#include "engine/engine.h"
#include "engine/sitedecisions.h"

using WebKitWebContext = struct _WebKitWebContext;
using WebKitSettings = struct _WebKitSettings;
using WebKitUserContentFilter = struct _WebKitUserContentFilter;
using WebKitDownload = struct _WebKitDownload;

namespace skiff {

class NetworkProcessWatch;

// The web engine on WebKitGTK: its components are WebKitBrowser objects on one web context,
// whose cookies, cache and storage are kept in folders of their own beside the Qt engine's. It
// holds what is engine-wide: the context, the page settings every view shares, the compiled
// filter that keeps pages off the network while offline, the user's decisions for sites, and
// the downloads of every page.
class WebKitEngine : public Engine {
    Q_OBJECT
public:
    // Whether WebKitGTK can run in this program: Qt runs on X11 with GLib's event loop, and GTK
    // can open the same display (GTK is then started). When not, why not.
    static bool canStart(QString* why);
    // "WebKitGTK 2.50.6", the version the program runs with.
    static QString version();

    // Makes the context. canStart(), which starts GTK, must have answered true.
    explicit WebKitEngine(QObject* parent = nullptr);
    ~WebKitEngine() override;

    WebBrowser* createBrowser(QObject* owner, const NewWindowRequest* request) override;
    void clearCache() override;
    void clearCookies() override;
    void applyOptions(const EngineOptions& options) override;

    WebKitWebContext* context() const { return m_context; }
    WebKitSettings* settings() const { return m_settings; }
    SiteDecisions& siteDecisions() { return m_decisions; }
    // The filter that blocks every http and https load, compiled once, the first time it is
    // asked for, which waits for it. Null when it could not be compiled.
    WebKitUserContentFilter* offlineFilter();

private:
    void compileOfflineFilter();
    void onDownloadStarted(WebKitDownload* download);

    WebKitWebContext* m_context;
    WebKitSettings* m_settings;
    SiteDecisions m_decisions;
    WebKitUserContentFilter* m_offlineFilter = nullptr;
    bool m_offlineFilterStarted = false;
    bool m_offlineFilterDone = false;
    // The network processes that carry the downloads, shared with them.
    std::shared_ptr<NetworkProcessWatch> m_network;
};

}  // namespace skiff
