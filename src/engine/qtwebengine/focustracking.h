#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWebEnginePage;

namespace skiff {

// Knows which element of a page's main-frame document has the focus, for the pop-up test, which
// must be answered at once. A script in the program's own script world reports every focus
// change as a console message that starts with a key of the tracker's own, so the page can
// neither see the key nor disturb the script. Each document names itself with a token of its
// own, so that a report of a document that a navigation replaced can be told apart.
class FocusTracker {
public:
    // Runs the focus script in each main-frame document of `page`.
    void install(QWebEnginePage* page) const;

    // Takes a console message of the page: true when it is a report of the focus script (the
    // page's own messages answer false and go on as before).
    bool takeReport(const QString& message);

    // A load replaces the document: the focus known so far is forgotten, and late reports of
    // that document are ignored.
    void documentReplaced();

    // The focused element's tag name in upper case; nothing when the document has not reported
    // yet or nothing has the focus.
    std::optional<QString> activeTag() const { return m_activeTag; }

private:
    const QString m_key = randomKey();
    std::optional<QString> m_activeTag;
    QString m_document;           // the document whose reports are current
    QStringList m_pastDocuments;  // documents replaced by navigations; their reports are stale

    static QString randomKey();
};

}  // namespace skiff
