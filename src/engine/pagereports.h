#pragma once

#include <QObject>
#include <QString>

namespace skiff {

// What a page's engine reports about the page for the browser's status bar, and the page whose
// engine process stopped while the notice of it is on display. Both engines' page questions
// keep them here.
class PageReports : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A page whose script ran without end was ended so that the user could go on.
    static constexpr char kNotResponding[] = "The page was not responding and was stopped.";

    // A load of the page started, or ended (also when it failed).
    void loadStarted();
    void loadEnded();
    // Reports `text` by statusMessage: after the load under way has ended, or at once.
    void report(const QString& text);
    // Reports `text` once the next load to start has ended (the status text of that load would
    // hide it otherwise).
    void reportAfterNextLoad(const QString& text);

    // The page at `url` stopped; when the notice of an earlier stop is on display, the address
    // of that page is kept.
    void crashed(const QString& url);
    // The notice starts loading: it keeps the stopped page's address, and it is reported.
    void noticeLoading();
    // The address of the stopped page while its notice is on display; empty otherwise.
    QString crashedUrl() const { return m_crashedUrl; }

signals:
    // A message about a page that is loading comes after the load has ended, and after the
    // browser's own end-of-load messages.
    void statusMessage(const QString& text);

private:
    QString m_crashedUrl;
    bool m_noticeLoading = false;
    bool m_loading = false;
    QString m_pending;        // reported when the load under way ends
    QString m_afterNextLoad;  // pending once the next load starts
};

}  // namespace skiff
