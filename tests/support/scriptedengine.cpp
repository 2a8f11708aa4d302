#include "support/scriptedengine.h"

#include <QPrinter>
#include <utility>

#include "engine/engineoptions.h"

namespace skiff::test {

ScriptedEngine::ScriptedEngine(QObject* parent) : WebBrowser(parent), m_widget(new QWidget) {}

ScriptedEngine::~ScriptedEngine() {
    delete m_widget;
}

void ScriptedEngine::answerMarkup() {
    const auto pending = std::exchange(m_pendingMarkup, {});
    for (const auto& callback : pending) callback(markup);
}

ScriptedEngine::NewWindowAnswer ScriptedEngine::fireNewWindow2(bool afterUserAction) {
    if (afterUserAction) userActed();
    NewWindowAnswer answer;
    answer.ppDisp = requestNewWindow();
    answer.Cancel = answer.ppDisp == nullptr;
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

bool ScriptedEngine::ExecWB(Command command, int option) {
    if (passCommands) return WebBrowser::ExecWB(command, option);
    execCalls.append({int(command), option});
    return execResult;
}

void ScriptedEngine::findText(const QString& text, bool backward, bool caseSensitive,
                              std::function<void(FindResult)> done) {
    searches.append({text, backward, caseSensitive});
    if (done) done(text.isEmpty() ? FindResult{} : findResult);
}

bool ScriptedEngine::print(QPrinter* printer, std::function<void(bool)> done) {
    if (!ready) return false;
    printed.append(printer->outputFileName());
    done(printResult);
    return true;
}

bool ScriptedEngine::savePage(const QString& path, SaveFormat format,
                              std::function<void(bool)> done) {
    if (!ready) return false;
    saved.append({path, format});
    done(saveResult);
    return true;
}

bool ScriptedEngine::pageProperties(std::function<void(const PageProperties&)> done) {
    if (!ready || !properties) return false;
    done(*properties);
    return true;
}

void ScriptedEngines::applyOptions(const EngineOptions& options) {
    appliedOptions.append(options);
}

}  // namespace skiff::test
