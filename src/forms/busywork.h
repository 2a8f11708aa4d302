#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace skiff {

// Runs `work` on a thread of its own and returns when it is done, as if it had run here: an
// exception it throws is thrown again here. Meanwhile the windows keep painting and timers
// run, but user input waits until the work is done and no window closes; the pointer shows the
// busy cursor, and once the work has taken half a second a progress dialog with `label` shows
// over `parent`. `work` must not touch widgets.
void runWithProgress(const QString& label, QWidget* parent, const std::function<void()>& work);

// While one lives, the program is busy with work the user waits for, or with a question about
// it; the program's shut-down waits until no such scope is left.
class BusyScope {
public:
    BusyScope();
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};
bool busy();

}  // namespace skiff
