#pragma once

#include <QFrame>
#include <QPointer>

#include "engine/webbrowser.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace skiff {

// Find in page: a bar along the bottom of a web view with a text box, Next, Previous,
// Match case and Close, and the result of the last search ("2 of 5", "Not found").
// Enter finds the next match, Shift+Enter the previous one, Escape closes the bar.
// Typing searches as the text changes.
class FindBar : public QFrame {
    Q_OBJECT
public:
    static constexpr char kNotFound[] = "Not found";

    // A hidden bar on the page of `browser`, whose widget owns it.
    explicit FindBar(WebBrowser* browser);

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
    void find(bool backward);
    void startOver();
    void showResult(const WebBrowser::FindResult& result);
    void placeOnView();

    QPointer<WebBrowser> m_browser;
    QPointer<QWidget> m_view;  // the page
    QLineEdit* m_text;
    QCheckBox* m_matchCase;
    QLabel* m_result;
};

}  // namespace skiff
