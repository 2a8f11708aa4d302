#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace skiff {

class Download;
class Engine;
class xpcmdbutton;

// The downloads of every page of an engine: the user is asked where to save the file, then a
// download window shows its progress.
class Downloads : public QObject {
    Q_OBJECT
public:
    // Handles the downloads of `engine`, as long as this object lives.
    explicit Downloads(Engine* engine, QObject* parent = nullptr);

    // Before the program ends while downloads run: asks the user over `parent` whether to end
    // all the same, which cancels them. True when none runs or the user chose to quit.
    bool mayEnd(QWidget* parent);
    // Cancels the downloads that run, as the program ends.
    void cancelAll();

private:
    void onDownloadRequested(Download* download);
    QList<Download*> running();

    QList<QPointer<Download>>
        m_accepted;  // the downloads the user accepted; the engine deletes them
};

// A small modeless window for one download: the file, the bytes received of the total, and
// Cancel; at the end it says how the download ended and Cancel becomes Close.
class DownloadWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr char kDownloading[] = "Downloading...";
    static constexpr char kFinished[] = "Finished";
    static constexpr char kCancelled[] = "Cancelled";
    static constexpr char kInterrupted[] = "Interrupted";

    // A window without owner, which deletes itself when closed.
    explicit DownloadWindow(Download* download);

    QString path() const;
    // "Downloading...", "Finished", "Cancelled", or "Interrupted: " and the reason.
    QString stateText() const;
    QString progressText() const;
    xpcmdbutton* button() const { return m_button; }

signals:
    // The download ended: finished, cancelled or interrupted.
    void ended();

private:
    void showProgress();
    void showState();
    void onButton();

    QPointer<Download> m_download;
    QString m_path;
    QLabel* m_progress;
    QProgressBar* m_bar;
    QLabel* m_state;
    xpcmdbutton* m_button;
};

}  // namespace skiff
