#include "engine/webbrowser.h"

namespace skiff {

bool WebBrowser::ExecWB(Command command, int) {
    return m_commands && m_commands(command);
}

WebBrowser* WebBrowser::requestNewWindow() {
    if (!m_windowAllowed || !m_newWindow) return nullptr;
    WebBrowser* opened = m_newWindow();
    if (opened) m_windowAllowed = false;
    return opened;
}

}  // namespace skiff
