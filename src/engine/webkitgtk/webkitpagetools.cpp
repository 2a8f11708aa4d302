// The page tools' operations of the WebKitGTK component: find, print, save, page properties.
#include "engine/webkitgtk/gtkheaders.h"
#include "engine/webkitgtk/webkitbrowser.h"

namespace skiff {

void WebKitBrowser::findText(const QString&, bool, bool, std::function<void(FindResult)>) {}

bool WebKitBrowser::print(QPrinter*, std::function<void(bool)>) {
    return false;
}

bool WebKitBrowser::savePage(const QString&, SaveFormat, std::function<void(bool)>) {
    return false;
}

bool WebKitBrowser::pageProperties(std::function<void(const PageProperties&)>) {
    return false;
}

}  // namespace skiff
