#include "engine/webbrowser.h"

namespace skiff {

bool WebBrowser::ExecWB(Command command, int) {
    return m_commands && m_commands(command);
}

WebBrowser* WebBrowser::requestNewWindow(const NewWindowRequest& request, const QUrl& address) {
    if (!m_windowAllowed || !m_newWindow || address.scheme() == "data") return nullptr;
    WebBrowser* opened = m_newWindow(request);
    if (!opened) return nullptr;
    m_windowAllowed = false;
    opened->m_awaitingRequestedPage = false;
    return opened;
}

}  // namespace skiff
