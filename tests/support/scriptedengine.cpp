#include "support/scriptedengine.h"

#include <utility>

namespace skiff::test {

ScriptedEngine::ScriptedEngine(QObject* parent) : WebBrowser(parent), m_widget(new QWidget) {}

ScriptedEngine::~ScriptedEngine() {
    delete m_widget;
}

void ScriptedEngine::answerMarkup() {
    const auto pending = std::exchange(m_pendingMarkup, {});
    for (const auto& callback : pending) callback(markup);
}

ScriptedEngine::NewWindowAnswer ScriptedEngine::fireNewWindow2() {
    NewWindowAnswer answer;
    emit NewWindow2(&answer.ppDisp, &answer.Cancel);
    return answer;
}

bool ScriptedEngine::GoBack() {
    ++goBackCalls;
    return goBackResult;
}

bool ScriptedEngine::GoForward() {
    ++goForwardCalls;
    return goForwardResult;
}

bool ScriptedEngine::Stop() {
    ++stopCalls;
    return stopResult;
}

void ScriptedEngine::setSilent(bool silent) {
    silentWrites.append(silent);
    m_silent = silent;
}

void ScriptedEngine::setOffline(bool offline) {
    offlineWrites.append(offline);
    m_offline = offline;
}

void ScriptedEngine::documentMarkup(std::function<void(std::optional<QString>)> callback) {
    ++markupRequests;
    if (answerMarkupLater) {
        m_pendingMarkup.append(std::move(callback));
    } else {
        callback(markup);
    }
}

bool ScriptedEngine::ExecWB(int command, int option) {
    execCalls.append({command, option});
    return execResult;
}

}  // namespace skiff::test
