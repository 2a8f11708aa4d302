#include "engine/webkitgtk/webkitdialogs.h"

#include "engine/pagedialogs.h"
#include "engine/webkitgtk/gtkheaders.h"
#include "engine/webkitgtk/webkitbrowser.h"
#include "engine/webkitgtk/webkitengine.h"

namespace skiff {

WebKitDialogs::WebKitDialogs(WebKitBrowser& browser, WebKitEngine& engine, PageDialogs* pageDialogs)
    : QObject(&browser), m_browser(browser), m_engine(engine), m_pageDialogs(pageDialogs) {}

WebKitDialogs::~WebKitDialogs() = default;

bool WebKitDialogs::reloadAfterCrash() {
    return false;
}

}  // namespace skiff
