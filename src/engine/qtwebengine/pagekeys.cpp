#include "engine/qtwebengine/pagekeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "engine/reservedkeys.h"

namespace skiff {

PageKeys::PageKeys(QWidget* view, std::function<bool()> pageLoading)
    : QObject(view), m_view(view), m_pageLoading(std::move(pageLoading)) {
    qApp->installEventFilter(this);
}

// Before a key press, the window asks the focus object whether it takes the key itself
// (ShortcutOverride); only when it does not does the window's shortcut for the key run. The
// question passes the window, the view and the engine's own objects inside it on the way, so
// it is answered here, for all of them, while the page has the focus. (The engine shows the
// page in a widget of its own inside the view, the view's focus proxy, which it replaces when
// the page moves to another renderer; the browser's widgets over the view, such as the find
// bar, are not it.)
bool PageKeys::eventFilter(QObject*, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride) return false;
    const QWidget* focus = QApplication::focusWidget();
    if (!focus || focus != m_view->focusProxy()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (browserKeepsKey(key->keyCombination(), m_pageLoading())) {
        key->ignore();
        return true;  // not even the engine may take it
    }
    key->accept();
    return false;
}

}  // namespace skiff
