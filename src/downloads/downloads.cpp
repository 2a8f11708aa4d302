#include "downloads/downloads.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "core/filemodes.h"
#include "core/names.h"
#include "engine/download.h"
#include "engine/engine.h"
#include "forms/prompts.h"

namespace skiff {

namespace {

// The most a file's name and folder take across the window, in pixels.
constexpr int kNameWidth = 480;

QString sizeText(qint64 bytes) {
    return QLocale().formattedDataSize(bytes);
}

// "A download is not finished", or how many, with their file names.
QString unfinishedText(const QList<Download*>& downloads) {
    QString text = downloads.size() == 1
                       ? QString("A download is not finished:\n")
                       : QString("%1 downloads are not finished:\n").arg(downloads.size());
    for (const Download* d : downloads) text += "\n" + QFileInfo(d->path()).fileName();
    return text +
           (downloads.size() == 1 ? "\n\nQuitting cancels it." : "\n\nQuitting cancels them.");
}

}  // namespace

QList<Download*> Downloads::running() {
    QList<Download*> found;
    m_accepted.removeAll(nullptr);
    for (Download* d : std::as_const(m_accepted))
        if (d->state() == Download::State::InProgress) found.append(d);
    return found;
}

// Cancel is the default, and Escape and the close box cancel too: a download is not given up by
// a reflex.
bool Downloads::mayEnd(QWidget* parent) {
    const QList<Download*> unfinished = running();
    if (unfinished.isEmpty()) return true;
    QMessageBox box(QMessageBox::NoIcon, "Downloads", unfinishedText(unfinished),
                    QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton* quit = box.addButton("&Quit", QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton("&Cancel", QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() != quit) return false;
    cancelAll();
    return true;
}

void Downloads::cancelAll() {
    for (Download* d : running()) d->cancel();
}

Downloads::Downloads(Engine* engine, QObject* parent) : QObject(parent) {
    connect(engine, &Engine::downloadRequested, this, &Downloads::onDownloadRequested);
}

void Downloads::onDownloadRequested(Download* download) {
    const QString folder = saveFolder();
    const QString name = safeFileName(download->suggestedFileName(), download->maxFileNameBytes());
    const auto choice =
        askSavePath(download->window(), "Save File", QDir(folder).filePath(name), {});
    if (!choice) {
        download->cancel();
        return;
    }
    download->accept(choice->path);
    m_accepted.append(download);
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
    setAttribute(Qt::WA_QuitOnClose, false);  // the program ends with its last browser window
    setWindowTitle("Download");
    // A long name is shown cut in the middle, so that the window fits the screen.
    const QString shownPath = QDir::toNativeSeparators(m_path);
    auto* name = new QLabel(fontMetrics().elidedText(shownPath, Qt::ElideMiddle, kNameWidth));
    name->setTextFormat(Qt::PlainText);
    name->setToolTip(shownPath);
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

// The caption says how the download ended, as the state line does.
void DownloadWindow::showState() {
    if (!m_download) return;
    switch (m_download->state()) {
        case Download::State::Completed:
            giveUserFileMode(m_download->path());
            m_state->setText(kFinished);
            setWindowTitle(QString("Download ") + kFinished);
            m_bar->setRange(0, 100);
            m_bar->setValue(100);
            break;
        case Download::State::Cancelled:
            m_state->setText(kCancelled);
            setWindowTitle(QString("Download ") + kCancelled);
            break;
        case Download::State::Failed:
            m_state->setText(QString(kInterrupted) + ": " + m_download->failureReason());
            setWindowTitle(QString("Download ") + kInterrupted);
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
