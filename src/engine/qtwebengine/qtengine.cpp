#include "engine/qtwebengine/qtengine.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "engine/download.h"
#include "engine/engineoptions.h"
#include "engine/qtwebengine/qtwebbrowser.h"
#include "engine/qtwebengine/scenegraph.h"

namespace skiff {

namespace {

// A download of the engine; it lives as long as the engine's request.
class QtDownload : public Download {
public:
    explicit QtDownload(QWebEngineDownloadRequest* request)
        : Download(request), m_request(request) {
        connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this,
                &Download::progressChanged);
        connect(request, &QWebEngineDownloadRequest::totalBytesChanged, this,
                &Download::progressChanged);
        connect(request, &QWebEngineDownloadRequest::stateChanged, this, &Download::stateChanged);
    }

    QString suggestedFileName() const override { return m_request->downloadFileName(); }
    QWidget* window() const override {
        QWebEngineView* view =
            m_request->page() ? QWebEngineView::forPage(m_request->page()) : nullptr;
        return view ? view->window() : nullptr;
    }
    void accept(const QString& path) override {
        const QFileInfo file(path);
        m_request->setDownloadDirectory(file.absolutePath());
        m_request->setDownloadFileName(file.fileName());
        m_request->accept();
    }
    void cancel() override { m_request->cancel(); }
    QString path() const override {
        return QDir(m_request->downloadDirectory()).filePath(m_request->downloadFileName());
    }
    State state() const override {
        switch (m_request->state()) {
            case QWebEngineDownloadRequest::DownloadRequested:
                return State::Requested;
            case QWebEngineDownloadRequest::DownloadInProgress:
                return State::InProgress;
            case QWebEngineDownloadRequest::DownloadCompleted:
                return State::Completed;
            case QWebEngineDownloadRequest::DownloadCancelled:
                return State::Cancelled;
            case QWebEngineDownloadRequest::DownloadInterrupted:
                break;
        }
        return State::Failed;
    }
    QString failureReason() const override { return m_request->interruptReasonString(); }
    qint64 receivedBytes() const override { return m_request->receivedBytes(); }
    qint64 totalBytes() const override { return m_request->totalBytes(); }

private:
    QWebEngineDownloadRequest* m_request;  // the parent
};

}  // namespace

// The profile is made before the engine's first page, with the renderer already chosen.
QtEngine::QtEngine(QObject* parent) : Engine(parent) {
    chooseSceneGraphRenderer();
    const QString folder = "/Web Browser/engine";
    m_profile = new QWebEngineProfile("Skiff", this);
    m_profile->setPersistentStoragePath(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + folder);
    m_profile->setCachePath(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                            folder);
    applyOptions(EngineOptions::load());
    connect(m_profile, &QWebEngineProfile::downloadRequested, this, &QtEngine::onDownloadRequested);
}

QtEngine::~QtEngine() = default;

WebBrowser* QtEngine::createBrowser(QObject* owner, const NewWindowRequest* request) {
    return new QtWebBrowser(*this, owner, request != nullptr);
}

void QtEngine::clearCache() {
    m_profile->clearHttpCache();
}

void QtEngine::clearCookies() {
    m_profile->cookieStore()->deleteAllCookies();
}

void QtEngine::applyOptions(const EngineOptions& options) {
    QWebEngineSettings* settings = m_profile->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, options.javascriptEnabled());
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, options.imagesEnabled());
}

// Pages saved by the program come already accepted, with their file chosen; they belong to
// the component that asked. Everything else is a download of the user's.
void QtEngine::onDownloadRequested(QWebEngineDownloadRequest* request) {
    if (request->isSavePageDownload()) {
        if (QtWebBrowser* browser = QtWebBrowser::forPage(request->page()))
            browser->takeSave(request);
        return;
    }
    if (request->state() != QWebEngineDownloadRequest::DownloadRequested) return;
    emit downloadRequested(new QtDownload(request));
    if (request->state() == QWebEngineDownloadRequest::DownloadRequested) request->cancel();
}

}  // namespace skiff
