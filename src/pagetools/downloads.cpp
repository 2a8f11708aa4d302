#include "pagetools/downloads.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QVBoxLayout>

#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "engine/download.h"
#include "engine/engine.h"
#include "forms/prompts.h"

namespace skiff {

namespace {

QString sizeText(qint64 bytes) {
    return QLocale().formattedDataSize(bytes);
}

}  // namespace

Downloads::Downloads(Engine* engine, QObject* parent) : QObject(parent) {
    connect(engine, &Engine::downloadRequested, this, &Downloads::onDownloadRequested);
}

void Downloads::onDownloadRequested(Download* download) {
    const QString folder = saveFolder();
    const auto choice = askSavePath(download->window(), "Save File",
                                    QDir(folder).filePath(download->suggestedFileName()), {});
    if (!choice) {
        download->cancel();
        return;
    }
    download->accept(choice->path);
    (new DownloadWindow(download))->show();
}

DownloadWindow::DownloadWindow(Download* download)
    : m_download(download),
      m_path(download->path()),
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
    connect(download, &Download::progressChanged, this, &DownloadWindow::showProgress);
    connect(download, &Download::stateChanged, this, &DownloadWindow::showState);
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
    if (!m_download) return;
    const qint64 received = m_download->receivedBytes();
    const qint64 total = m_download->totalBytes();
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
    if (!m_download) return;
    switch (m_download->state()) {
        case Download::State::Completed:
            m_state->setText(kFinished);
            m_bar->setRange(0, 100);
            m_bar->setValue(100);
            break;
        case Download::State::Cancelled:
            m_state->setText(kCancelled);
            break;
        case Download::State::Failed:
            m_state->setText(QString(kFailed) + ": " + m_download->failureReason());
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
    if (m_download && (m_download->state() == Download::State::InProgress ||
                       m_download->state() == Download::State::Requested)) {
        m_download->cancel();
    } else {
        close();
    }
}

}  // namespace skiff
