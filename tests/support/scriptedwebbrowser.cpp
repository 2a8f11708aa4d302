#include "support/scriptedwebbrowser.h"

#include <utility>

namespace skiff::test {

ScriptedWebBrowser::ScriptedWebBrowser(QObject* parent)
    : WebBrowser(parent), m_widget(new QWidget) {}

ScriptedWebBrowser::~ScriptedWebBrowser() {
    delete m_widget;
}

void ScriptedWebBrowser::answerMarkup() {
    const auto pending = std::exchange(m_pendingMarkup, {});
    for (const auto& callback : pending) callback(markup);
}

ScriptedWebBrowser::NewWindowAnswer ScriptedWebBrowser::fireNewWindow2() {
    NewWindowAnswer answer;
    emit NewWindow2(&answer.ppDisp, &answer.Cancel);
    return answer;
}

bool ScriptedWebBrowser::GoBack() {
    ++goBackCalls;
    return goBackResult;
}

bool ScriptedWebBrowser::GoForward() {
    ++goForwardCalls;
    return goForwardResult;
}

bool ScriptedWebBrowser::Stop() {
    ++stopCalls;
    return stopResult;
}

void ScriptedWebBrowser::setSilent(bool silent) {
    silentWrites.append(silent);
    m_silent = silent;
}

void ScriptedWebBrowser::setOffline(bool offline) {
    offlineWrites.append(offline);
    m_offline = offline;
}

void ScriptedWebBrowser::documentMarkup(std::function<void(std::optional<QString>)> callback) {
    ++markupRequests;
    if (answerMarkupLater) {
        m_pendingMarkup.append(std::move(callback));
    } else {
        callback(markup);
    }
}

bool ScriptedWebBrowser::ExecWB(int command, int option) {
    execCalls.append({command, option});
    return execResult;
}

}  // namespace skiff::test
