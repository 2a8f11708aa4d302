#include "engine/qtwebengine/focustracking.h"

#include <QRandomGenerator>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace skiff {

namespace {

// How many replaced documents are remembered: late focus reports come only from the last few.
constexpr qsizetype kRememberedDocuments = 8;

// Reports which element of the main frame's document has the focus, as a console message that
// starts with the tracker's key (%1) and names the document by a token of its own.
constexpr char kFocusScript[] = R"JS(
(function () {
    var key = "%1";
    var log = console.log;
    var documentToken = Math.random().toString(36).slice(2) + Date.now().toString(36);
    function report() {
        var element = document.activeElement;
        log.call(console, key + " " + documentToken + " " + (element ? element.tagName : ""));
    }
    document.addEventListener("focusin", report, true);
    document.addEventListener("focusout", report, true);
    document.addEventListener("DOMContentLoaded", report);
    window.addEventListener("focus", report);
    window.addEventListener("blur", report);
    window.addEventListener("load", report);
    report();
})();
)JS";

}  // namespace

// A key that the page cannot guess: 128 random bits from the system's generator.
QString FocusTracker::randomKey() {
    QRandomGenerator* random = QRandomGenerator::system();
    return QString::number(random->generate64(), 36) + QString::number(random->generate64(), 36);
}

void FocusTracker::install(QWebEnginePage* page) const {
    QWebEngineScript script;
    script.setName("skiff-focus");
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(QString::fromLatin1(kFocusScript).arg(m_key));
    page->scripts().insert(script);
}

bool FocusTracker::takeReport(const QString& message) {
    if (!message.startsWith(m_key + u' ')) return false;
    const QString document = message.section(u' ', 1, 1);
    const QString tagName = message.section(u' ', 2, 2);
    if (m_pastDocuments.contains(document)) return true;
    m_document = document;
    m_activeTag = tagName.isEmpty() ? std::nullopt : std::optional<QString>(tagName);
    return true;
}

void FocusTracker::documentReplaced() {
    if (!m_document.isEmpty()) {
        m_pastDocuments.prepend(m_document);
        if (m_pastDocuments.size() > kRememberedDocuments) m_pastDocuments.removeLast();
    }
    m_document.clear();
    m_activeTag.reset();
}

}  // namespace skiff
