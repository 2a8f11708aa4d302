#include "engine/pagereports.h"

#include <QTimer>

#include "engine/enginequestions.h"

namespace skiff {

void PageReports::loadStarted() {
    m_loading = true;
    if (!m_afterNextLoad.isEmpty()) m_pending = std::exchange(m_afterNextLoad, {});
    // Any load but the notice's own leaves the stopped page behind.
    if (!m_noticeLoading) m_crashedUrl.clear();
}

void PageReports::loadEnded() {
    m_loading = false;
    m_noticeLoading = false;
    if (m_pending.isEmpty()) return;
    QTimer::singleShot(0, this,
                       [this, text = std::exchange(m_pending, {})] { emit statusMessage(text); });
}

void PageReports::report(const QString& text) {
    if (m_loading) {
        m_pending = text;
    } else {
        emit statusMessage(text);
    }
}

void PageReports::reportAfterNextLoad(const QString& text) {
    m_afterNextLoad = text;
}

void PageReports::crashed(const QString& url) {
    if (m_crashedUrl.isEmpty()) m_crashedUrl = url;
}

void PageReports::noticeLoading() {
    m_noticeLoading = true;
    m_pending = enginequestions::kCrashMessage;
}

}  // namespace skiff
