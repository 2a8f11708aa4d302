#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QWebEngineDownloadRequest;
class QWebEngineProfile;

namespace skiff {

class xpcmdbutton;

// The downloads of every page of an engine profile: the user is asked where to save the file,
// then a download window shows its progress.
class Downloads : public QObject {
    Q_OBJECT
public:
    // Starts handling the downloads of `profile`; once per profile, later calls do nothing.
    static void attach(QWebEngineProfile* profile);

private:
    explicit Downloads(QWebEngineProfile* profile);
    void onDownloadRequested(QWebEngineDownloadRequest* request);
};

// A small modeless window for one download: the file, the bytes received of the total, and
// Cancel; at the end it says how the download ended and Cancel becomes Close.
class DownloadWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr char kDownloading[] = "Downloading...";
    static constexpr char kFinished[] = "Finished";
    static constexpr char kCancelled[] = "Cancelled";
    static constexpr char kFailed[] = "Failed";

    // A window without owner, which deletes itself when closed.
    explicit DownloadWindow(QWebEngineDownloadRequest* request);

    QString path() const;
    // "Downloading...", "Finished", "Cancelled", or "Failed: " and the reason.
    QString stateText() const;
    QString progressText() const;
    xpcmdbutton* button() const { return m_button; }

signals:
    // The download ended: finished, cancelled or failed.
    void ended();

private:
    void showProgress();
    void showState();
    void onButton();

    QPointer<QWebEngineDownloadRequest> m_request;
    QString m_path;
    QLabel* m_progress;
    QProgressBar* m_bar;
    QLabel* m_state;
    xpcmdbutton* m_button;
};

}  // namespace skiff
