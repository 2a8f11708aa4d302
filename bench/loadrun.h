#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace skiff::bench {

// After about:blank and after the large page, a child of bench_page_load waits this long.
constexpr int kSettleMs = 2000;

// Counts the loads of a child of bench_page_load: the first (about:blank) settles, then the page
// is loaded and timed; once it has settled too, the time is printed as "load_ms=T" (as
// bare_webkitgtk does).
class LoadRun {
public:
    std::function<void()> navigate;

    void documentComplete() {
        if (m_loads++ == 0) {
            QTimer::singleShot(kSettleMs, [this] {
                m_timer.start();
                navigate();
            });
        } else if (m_loads == 2) {
            const double ms = m_timer.nsecsElapsed() / 1e6;
            // The parent ends this process once it has read the line.
            QTimer::singleShot(kSettleMs, [ms] {
                std::printf("load_ms=%.1f\n", ms);
                std::fflush(stdout);
            });
        }
    }

private:
    int m_loads = 0;
    QElapsedTimer m_timer;
};

}  // namespace skiff::bench
