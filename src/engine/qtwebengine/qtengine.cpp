#include "engine/qtwebengine/qtengine.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <algorithm>

#include "core/filemodes.h"
#include "core/names.h"
#include "engine/download.h"
#include "engine/engineoptions.h"
#include "engine/qtwebengine/qtwebbrowser.h"
#include "engine/qtwebengine/scenegraph.h"

namespace skiff {

namespace {

// The ending of the engine's file while it downloads ("name.download").
constexpr int kPartialFileEndingBytes = 9;

// A download of the engine; it lives as long as the engine's request.
class QtDownload : public Download {
public:
    explicit QtDownload(QWebEngineDownloadRequest* request)
        : Download(request), m_request(request) {
        connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this, [this] {
            m_received = std::max(m_received, m_request->receivedBytes());
            emit progressChanged();
        });
        connect(request, &QWebEngineDownloadRequest::totalBytesChanged, this,
                &Download::progressChanged);
        connect(request, &QWebEngineDownloadRequest::stateChanged, this, &Download::stateChanged);
    }

    // Where a server breaks a download off, the engine starts it again from the start by itself,
    // and asks for it anew (see QtEngine::onDownloadRequested). It ends here instead, as
    // interrupted with the bytes it had received.
    void endBrokenOff() {
        if (m_brokenOff) return;
        m_brokenOff = true;
        emit stateChanged();
        emit progressChanged();
    }

    QString suggestedFileName() const override { return m_request->downloadFileName(); }
    int maxFileNameBytes() const override { return kMaxFileNameBytes - kPartialFileEndingBytes; }
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
    void cancel() override {
        if (!m_brokenOff) m_request->cancel();
    }
    QString path() const override {
        return QDir(m_request->downloadDirectory()).filePath(m_request->downloadFileName());
    }
    State state() const override {
        if (m_brokenOff) return State::Failed;
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
    QString failureReason() const override {
        return m_brokenOff ? kBrokenOff : m_request->interruptReasonString();
    }
    qint64 receivedBytes() const override {
        return m_brokenOff ? m_received : m_request->receivedBytes();
    }
    qint64 totalBytes() const override { return m_request->totalBytes(); }

private:
    QWebEngineDownloadRequest* m_request;  // the parent
    qint64 m_received = 0;                 // the most received; a new start goes back to 0
    bool m_brokenOff = false;
};

}  // namespace

// The profile is made before the engine's first page, with the renderer already chosen.
QtEngine::QtEngine(QObject* parent) : Engine(parent) {
    chooseSceneGraphRenderer();
    const QString folder = "/Web Browser/engine";
    const QString data =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + folder;
    const QString cache =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + folder;
    // Where the folders cannot be written (the start said so), pages keep nothing.
    if (makeWritableFolders({data, cache})) {
        m_profile = new QWebEngineProfile("Skiff", this);
        m_profile->setPersistentStoragePath(data);
        m_profile->setCachePath(cache);
    } else {
        m_profile = new QWebEngineProfile(this);
    }
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

// A download that the engine asks for again, having started it anew by itself, is refused; the
// one the user knows ends as interrupted. True when `request` is such a download.
bool QtEngine::refuseRestart(QWebEngineDownloadRequest* request) {
    auto* earlier = static_cast<QtDownload*>(m_handedOver.value(request->id()).data());
    if (!earlier) return false;
    request->cancel();
    earlier->endBrokenOff();
    return true;
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
    if (refuseRestart(request)) return;
    auto* download = new QtDownload(request);
    m_handedOver.insert(request->id(), download);
    emit downloadRequested(download);
    if (request->state() == QWebEngineDownloadRequest::DownloadRequested) request->cancel();
}

}  // namespace skiff
