#pragma once

#include "engine/engine.h"

class QWebEngineDownloadRequest;

namespace skiff {

// The web engine on Qt WebEngine: its components are QtWebBrowser objects on the one shared
// profile (QtWebBrowser::sharedProfile()).
class QtEngine : public Engine {
    Q_OBJECT
public:
    explicit QtEngine(QObject* parent = nullptr);

    WebBrowser* createBrowser(QObject* owner) override;
    void clearCache() override;
    void clearCookies() override;
    void applyOptions(const EngineOptions& options) override;

private:
    void onDownloadRequested(QWebEngineDownloadRequest* request);
};

}  // namespace skiff
