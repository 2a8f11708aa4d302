#include "support/scriptedengine.h"

#include <QPrinter>
#include <utility>

#include "engine/engineoptions.h"

namespace skiff::test {

ScriptedBrowser::ScriptedBrowser(QObject* parent) : WebBrowser(parent), m_widget(new QWidget) {}

ScriptedBrowser::~ScriptedBrowser() {
    delete m_widget;
}

void ScriptedBrowser::answerMarkup() {
    const auto pending = std::exchange(m_pendingMarkup, {});
    for (const auto& callback : pending) callback(markup);
}

ScriptedBrowser::NewWindowAnswer ScriptedBrowser::fireNewWindow2(bool afterUserAction) {
    if (afterUserAction) userActed();
    NewWindowAnswer answer;
    answer.ppDisp = requestNewWindow(NewWindowRequest(*this));
    answer.Cancel = answer.ppDisp == nullptr;
    return answer;
}

bool ScriptedBrowser::GoBack() {
    ++goBackCalls;
    return goBackResult;
}

bool ScriptedBrowser::GoForward() {
    ++goForwardCalls;
    return goForwardResult;
}

bool ScriptedBrowser::Stop() {
    ++stopCalls;
    return stopResult;
}

void ScriptedBrowser::setSilent(bool silent) {
    silentWrites.append(silent);
    m_silent = silent;
}

void ScriptedBrowser::setOffline(bool offline) {
    offlineWrites.append(offline);
    m_offline = offline;
}

void ScriptedBrowser::documentMarkup(std::function<void(std::optional<QString>)> callback) {
    ++markupRequests;
    if (answerMarkupLater) {
        m_pendingMarkup.append(std::move(callback));
    } else {
        callback(markup);
    }
}

bool ScriptedBrowser::ExecWB(Command command, int option) {
    if (passCommands) return WebBrowser::ExecWB(command, option);
    execCalls.append({int(command), option});
    return execResult;
}

void ScriptedBrowser::findText(const QString& text, bool backward, bool caseSensitive,
                               std::function<void(FindResult)> done) {
    searches.append({text, backward, caseSensitive});
    if (done) done(text.isEmpty() ? FindResult{} : findResult);
}

bool ScriptedBrowser::print(QPrinter* printer, std::function<void(bool)> done) {
    if (!ready) return false;
    printed.append(printer->outputFileName());
    done(printResult);
    return true;
}

bool ScriptedBrowser::savePage(const QString& path, SaveFormat format,
                               std::function<void(bool)> done) {
    if (!ready) return false;
    saved.append({path, format});
    done(saveResult);
    return true;
}

bool ScriptedBrowser::pageProperties(std::function<void(const PageProperties&)> done) {
    if (!ready || !properties) return false;
    done(*properties);
    return true;
}

WebBrowser* ScriptedEngine::createBrowser(QObject* owner, const NewWindowRequest* request) {
    auto* wb = new ScriptedBrowser(owner);
    wb->openedByPage = request != nullptr;
    made.append(wb);
    return wb;
}

void ScriptedEngine::applyOptions(const EngineOptions& options) {
    appliedOptions.append(options);
}

}  // namespace skiff::test
