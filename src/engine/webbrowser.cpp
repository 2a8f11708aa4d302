#include "engine/webbrowser.h"

namespace skiff {

bool WebBrowser::ExecWB(Command command, int) {
    return m_commands && m_commands(command);
}

WebBrowser* WebBrowser::requestNewWindow(const NewWindowRequest& request) {
    return m_newWindow ? m_newWindow(request) : nullptr;
}

}  // namespace skiff
