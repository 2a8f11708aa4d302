#pragma once

#include <QHash>
#include <QPointer>

#include "engine/download.h"
#include "engine/engine.h"
#include "engine/sitedecisions.h"

class QWebEngineDownloadRequest;
class QWebEngineProfile;

namespace skiff {

// The web engine on Qt WebEngine: its components are QtWebBrowser objects on its profile. It
// holds what is engine-wide: the profile, the choice of renderer, the user's decisions for
// sites, and the one handler of the profile's downloads, which hands a page's saves to that
// page's component and the user's downloads to downloadRequested.
class QtEngine : public Engine {
    Q_OBJECT
public:
    // Chooses the renderer (see chooseSceneGraphRenderer) and makes the profile; one engine at
    // a time, as the profile is kept in the per-user folders.
    explicit QtEngine(QObject* parent = nullptr);
    ~QtEngine() override;

    WebBrowser* createBrowser(QObject* owner, const NewWindowRequest* request) override;
    void clearCache() override;
    void clearCookies() override;
    void applyOptions(const EngineOptions& options) override;

    // The profile every page of the engine is on: cookies, cache and page settings, kept in the
    // per-user data and cache folders, with the stored engine options.
    QWebEngineProfile* profile() const { return m_profile; }
    SiteDecisions& siteDecisions() { return m_decisions; }

private:
    void onDownloadRequested(QWebEngineDownloadRequest* request);
    bool refuseRestart(QWebEngineDownloadRequest* request);

    QWebEngineProfile* m_profile;
    SiteDecisions m_decisions;
    // The downloads handed to the program, by the engine's number for them.
    QHash<quint32, QPointer<Download>> m_handedOver;
};

}  // namespace skiff
