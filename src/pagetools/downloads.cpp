#include "pagetools/downloads.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "forms/prompts.h"

namespace skiff {

namespace {

QString sizeText(qint64 bytes) {
    return QLocale().formattedDataSize(bytes);
}

QWidget* windowOf(QWebEnginePage* page) {
    QWebEngineView* view = page ? QWebEngineView::forPage(page) : nullptr;
    return view ? view->window() : nullptr;
}

}  // namespace

void Downloads::attach(QWebEngineProfile* profile) {
    if (profile->findChild<Downloads*>(QString(), Qt::FindDirectChildrenOnly)) return;
    new Downloads(profile);
}

Downloads::Downloads(QWebEngineProfile* profile) : QObject(profile) {
    connect(profile, &QWebEngineProfile::downloadRequested, this, &Downloads::onDownloadRequested);
}

void Downloads::onDownloadRequested(QWebEngineDownloadRequest* request) {
    // Pages saved by the program come already accepted, with their file chosen.
    if (request->state() != QWebEngineDownloadRequest::DownloadRequested) return;
    const QString folder = saveFolder();
    const auto choice = askSavePath(windowOf(request->page()), "Save File",
                                    QDir(folder).filePath(request->downloadFileName()), {});
    if (!choice) {
        request->cancel();
        return;
    }
    const QFileInfo file(choice->path);
    request->setDownloadDirectory(file.absolutePath());
    request->setDownloadFileName(file.fileName());
    request->accept();
    (new DownloadWindow(request))->show();
}

DownloadWindow::DownloadWindow(QWebEngineDownloadRequest* request)
    : m_request(request),
      m_path(QDir(request->downloadDirectory()).filePath(request->downloadFileName())),
      m_progress(new QLabel),
      m_bar(new QProgressBar),
      m_state(new QLabel),
      m_button(xpcmdbutton::placeNew(this, "xpcmdCancel", "CANCEL")) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Download");
    auto* name = new QLabel(QDir::toNativeSeparators(m_path));
    name->setTextFormat(Qt::PlainText);
    m_state->setTextFormat(Qt::PlainText);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(m_bar);
    layout->addWidget(m_progress);
    layout->addWidget(m_state);
    layout->addWidget(m_button, 0, Qt::AlignRight);
    resize(360, sizeHint().height());

    connect(m_button, &xpcmdbutton::Click, this, &DownloadWindow::onButton);
    connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this,
            &DownloadWindow::showProgress);
    connect(request, &QWebEngineDownloadRequest::totalBytesChanged, this,
            &DownloadWindow::showProgress);
    connect(request, &QWebEngineDownloadRequest::stateChanged, this, &DownloadWindow::showState);
    showProgress();
    showState();
}

QString DownloadWindow::path() const {
    return m_path;
}

QString DownloadWindow::stateText() const {
    return m_state->text();
}

QString DownloadWindow::progressText() const {
    return m_progress->text();
}

void DownloadWindow::showProgress() {
    if (!m_request) return;
    const qint64 received = m_request->receivedBytes();
    const qint64 total = m_request->totalBytes();
    if (total > 0) {
        m_bar->setRange(0, 100);
        m_bar->setValue(int(received * 100 / total));
        m_progress->setText(sizeText(received) + " of " + sizeText(total));
    } else {
        m_bar->setRange(0, 0);  // the size is not known: a busy bar
        m_progress->setText(sizeText(received));
    }
}

void DownloadWindow::showState() {
    if (!m_request) return;
    switch (m_request->state()) {
        case QWebEngineDownloadRequest::DownloadCompleted:
            m_state->setText(kFinished);
            m_bar->setRange(0, 100);
            m_bar->setValue(100);
            break;
        case QWebEngineDownloadRequest::DownloadCancelled:
            m_state->setText(kCancelled);
            break;
        case QWebEngineDownloadRequest::DownloadInterrupted:
            m_state->setText(QString(kFailed) + ": " + m_request->interruptReasonString());
            break;
        default:
            m_state->setText(kDownloading);
            return;
    }
    if (m_bar->maximum() == 0) m_bar->setRange(0, 100);  // no busy bar after the end
    m_button->SetCaption("CLOSE");
    emit ended();
}

void DownloadWindow::onButton() {
    if (m_request && !m_request->isFinished()) {
        m_request->cancel();
    } else {
        close();
    }
}

}  // namespace skiff
