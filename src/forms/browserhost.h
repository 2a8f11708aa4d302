#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace skiff {

// What the tool windows ask of the first browser window. They always act on the first one.
class BrowserHost {
public:
    virtual ~BrowserHost() = default;

    // Loads `address` in the page, read the way the address box reads it, and shows it in the
    // address box; an address the window refuses (see the status bar) is not put there.
    virtual void navigate(const QString& address) = 0;
    // The page's full address and its title.
    virtual QString currentAddress() const = 0;
    virtual QString pageTitle() const = 0;
    // The page's markup, as WebBrowser::documentMarkup gives it: nothing when there is no
    // document; the answer may come later.
    virtual void documentMarkup(std::function<void(std::optional<QString>)> callback) = 0;

    // The text in the address box, typed or put there, and putting one there.
    virtual QString addressText() const = 0;
    virtual void setAddressText(const QString& text) = 0;

    // Works from the cache only, or online again; the status bar's mode panel says which.
    virtual void setOffline(bool offline) = 0;
    // Hides the status bar, the page growing over its place, or shows it again below a
    // shorter page.
    virtual void setStatusBarVisible(bool visible) = 0;
};

// The first browser window, loaded on first reference, as the program host (ProgramHost) gives
// it; null when there is no program host.
BrowserHost* firstBrowserWindow();

}  // namespace skiff
