#include "engine/qtwebengine/qtengine.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <algorithm>

#include "core/names.h"
#include "engine/download.h"
#include "engine/qtwebengine/qtwebbrowser.h"

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
        return m_brokenOff ? "The server closed the connection before the whole file came."
                           : m_request->interruptReasonString();
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

// The downloads handed to the program, by the engine's number for them.
QHash<quint32, QPointer<QtDownload>>& handedOver() {
    static QHash<quint32, QPointer<QtDownload>> downloads;
    return downloads;
}

// A download that the engine asks for again, having started it anew by itself, is refused; the
// one the user knows ends as interrupted. True when `request` is such a download.
bool refuseRestart(QWebEngineDownloadRequest* request) {
    const QPointer<QtDownload> earlier = handedOver().value(request->id());
    if (!earlier) return false;
    request->cancel();
    earlier->endBrokenOff();
    return true;
}

}  // namespace

QtEngine::QtEngine(QObject* parent) : Engine(parent) {
    connect(QtWebBrowser::sharedProfile(), &QWebEngineProfile::downloadRequested, this,
            &QtEngine::onDownloadRequested);
}

WebBrowser* QtEngine::createBrowser(QObject* owner) {
    return new QtWebBrowser(owner);
}

void QtEngine::clearCache() {
    QtWebBrowser::sharedProfile()->clearHttpCache();
}

void QtEngine::clearCookies() {
    QtWebBrowser::sharedProfile()->cookieStore()->deleteAllCookies();
}

void QtEngine::applyOptions(const EngineOptions& options) {
    QtWebBrowser::applyEngineOptions(options);
}

// Pages saved by the program come already accepted, with their file chosen; they are not
// downloads of the user's.
void QtEngine::onDownloadRequested(QWebEngineDownloadRequest* request) {
    if (request->state() != QWebEngineDownloadRequest::DownloadRequested) return;
    if (refuseRestart(request)) return;
    auto* download = new QtDownload(request);
    handedOver().insert(request->id(), download);
    emit downloadRequested(download);
    if (request->state() == QWebEngineDownloadRequest::DownloadRequested) request->cancel();
}

}  // namespace skiff
