#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace skiff {

// Splits the keys pressed in a web view between the page and the browser window by the rule
// of browserKeepsKey(): a key the browser keeps is left to the window's shortcuts; every other
// key goes to the page, even one the window has a shortcut for. The engine hands a key the
// page did not use to the view's parent widget, from where it reaches the window.
class PageKeys : public QObject {
public:
    // Watches the keys pressed while the page of `view` has the focus; `pageLoading` tells
    // whether the page is loading.
    PageKeys(QWidget* view, std::function<bool()> pageLoading);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_view;
    std::function<bool()> m_pageLoading;
};

}  // namespace skiff
