#pragma once

#include <QFrame>
#include <QPointer>
#include <QWebEnginePage>

class QCheckBox;
class QLabel;
class QLineEdit;
class QWebEngineFindTextResult;
class QWebEngineView;

namespace skiff {

// Find in page: a bar along the bottom of a web view with a text box, Next, Previous,
// Match case and Close, and the result of the last search ("2 of 5", "Not found").
// Enter finds the next match, Shift+Enter the previous one, Escape closes the bar.
// Typing searches as the text changes.
class FindBar : public QFrame {
    Q_OBJECT
public:
    static constexpr char kNotFound[] = "Not found";

    // A hidden bar on `view`, which owns it.
    explicit FindBar(QWebEngineView* view);

    // Shows the bar with the keyboard focus in its text box, the text selected.
    void open();
    // Hides the bar, takes the marks of the search off the page and gives the focus back to it.
    void dismiss();

    void findNext();
    void findPrevious();

    QString text() const;
    // The result of the last search; empty when nothing was searched for.
    QString resultText() const;

signals:
    // The result of a search is shown.
    void resultShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void find(QWebEnginePage::FindFlags direction);
    void startOver();
    void showResult(const QWebEngineFindTextResult& result);
    void placeOnView();

    QPointer<QWebEngineView> m_view;
    QLineEdit* m_text;
    QCheckBox* m_matchCase;
    QLabel* m_result;
};

}  // namespace skiff
