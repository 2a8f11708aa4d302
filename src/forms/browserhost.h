#pragma once

#include <functional>

class QComboBox;

namespace skiff {

class StatusBar;
class WebBrowser;

// What the tool windows use of the first browser window: its web component, status bar,
// address box and client height. The tool windows always act on the first browser window.
class BrowserHost {
public:
    virtual ~BrowserHost() = default;
    virtual WebBrowser* wbMain() = 0;
    virtual StatusBar* stbStatus() = 0;
    virtual QComboBox* cboUrl() = 0;
    // The client area's height in twips.
    virtual float ScaleHeight() const = 0;
    // Sets the web component's height in twips; a height the control refuses (negative)
    // keeps the previous one and gives false.
    virtual bool setWebHeight(float twips) = 0;
};

// The first browser window, loaded on first reference. The browser window module installs
// the accessor; tests may install their own.
using BrowserHostAccessor = std::function<BrowserHost*()>;
void setFirstBrowserWindowAccessor(BrowserHostAccessor accessor);
BrowserHost* firstBrowserWindow();

}  // namespace skiff
