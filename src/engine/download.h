#pragma once

#include <QObject>
#include <QString>

#include "core/names.h"

class QWidget;

namespace skiff {

// A file a page asked to download. It waits in State::Requested until the handler of
// Engine::downloadRequested accepts it with a path or cancels it; one left unanswered is
// cancelled. The engine owns it.
class Download : public QObject {
    Q_OBJECT
public:
    enum class State { Requested, InProgress, Completed, Cancelled, Failed };
    // Why a download the server broke off failed.
    static constexpr char kBrokenOff[] =
        "The server closed the connection before the whole file came.";

    using QObject::QObject;

    // The file name the server or the page suggests.
    virtual QString suggestedFileName() const = 0;
    // The longest file name, in bytes of UTF-8, the engine can save under: the file system's
    // limit, less any ending the engine gives its file while it downloads.
    virtual int maxFileNameBytes() const { return kMaxFileNameBytes; }
    // The window of the page that asked, for the question where to save; null when gone.
    virtual QWidget* window() const = 0;
    // Starts downloading into the file at `path`.
    virtual void accept(const QString& path) = 0;
    virtual void cancel() = 0;

    virtual QString path() const = 0;
    virtual State state() const = 0;
    // Why a failed download failed.
    virtual QString failureReason() const = 0;
    virtual qint64 receivedBytes() const = 0;
    virtual qint64 totalBytes() const = 0;  // -1 or 0 when not known

signals:
    void progressChanged();
    void stateChanged();
};

}  // namespace skiff
