#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace skiff {
class WebBrowser;
}

namespace skiff::test {

// Helpers for tests of a web component on either real engine.

// Runs `script` in the page's own world of `wb` and waits for its result as text ("true",
// "42", a string as it is); nothing for null or undefined, or when no answer came in `wait` ms.
std::optional<QString> runScript(WebBrowser& wb, const QString& script, int wait = 30000);

// Calls `start` and waits until the browser's load completes, well or not.
bool loadCompletes(WebBrowser& wb, const std::function<void()>& start, int wait = 30000);
// Navigates to `address` and waits until that load completes.
bool navigated(WebBrowser& wb, const QString& address, int wait = 30000);

}  // namespace skiff::test
