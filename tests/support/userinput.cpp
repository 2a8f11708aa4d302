#include "support/userinput.h"

#include <QCloseEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWindow>

namespace skiff::test {

namespace {

QWindow* windowOf(QWidget* widget) {
    QWindow* window = widget->window()->windowHandle();
    if (!window) qWarning("%s is in no shown window", qPrintable(widget->objectName()));
    return window;
}

// A press, release or move as the platform plugin reports it. A release ends the click:
// the next press is a new click, not the second half of a double click, unless `pairs`.
void send(QWidget* widget, QEvent::Type type, QPointF pos, Qt::MouseButtons held,
          Qt::MouseButton button, Qt::KeyboardModifiers mods, bool pairs = false) {
    QWindow* window = windowOf(widget);
    if (!window) return;
    const QPointF global = widget->mapToGlobal(pos);
    QTest::lastMouseTimestamp += 1;
    qt_handleMouseEvent(window, window->mapFromGlobal(global), global, held, button, type, mods,
                        QTest::lastMouseTimestamp);
    if (type == QEvent::MouseButtonRelease && !pairs)
        QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
    QCoreApplication::processEvents();
}

QPoint pointOn(QWidget* widget, QPoint pos) {
    return pos.isNull() ? widget->rect().center() : pos;
}

}  // namespace

bool showActive(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

void closeByCloseBox(QWidget* window) {
    QWindow* handle = windowOf(window);
    if (!handle) return;
    QCloseEvent close;  // what the platform sends the window when its close box is clicked
    QCoreApplication::sendEvent(handle, &close);
    QCoreApplication::processEvents();
}

void mouseEvent(QWidget* widget, QEvent::Type type, QPointF pos, Qt::MouseButtons held,
                Qt::MouseButton button, Qt::KeyboardModifiers mods) {
    send(widget, type, pos, held, button, mods);
}

void click(QWidget* widget, QPoint pos, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
    pos = pointOn(widget, pos);
    send(widget, QEvent::MouseButtonPress, pos, button, button, mods);
    send(widget, QEvent::MouseButtonRelease, pos, Qt::NoButton, button, mods);
}

void doubleClick(QWidget* widget, QPoint pos) {
    pos = pointOn(widget, pos);
    for (bool second : {false, true}) {
        send(widget, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton, {});
        send(widget, QEvent::MouseButtonRelease, pos, Qt::NoButton, Qt::LeftButton, {}, !second);
    }
}

void pressKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers mods) {
    if (QWindow* window = windowOf(widget)) QTest::keyClick(window, key, mods);
}

void pressKey(QWidget* widget, char key, Qt::KeyboardModifiers mods) {
    if (QWindow* window = windowOf(widget)) QTest::keyClick(window, key, mods);
}

void type(QWidget* widget, const QString& text) {
    QWindow* window = windowOf(widget);
    if (!window) return;
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            pressKey(widget, char(c.unicode()));
        else  // a key of another keyboard layout: no key code of its own, just the text
            QTest::sendKeyEvent(QTest::Click, window, Qt::Key_unknown, QString(c), {});
    }
}

void retype(QWidget* box, const QString& text) {
    click(box);
    pressKey(box, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        pressKey(box, Qt::Key_Delete);
    else
        type(box, text);
}

bool chooseFromMenu(QMenu* menu, const QString& item) {
    for (QAction* a : menu->actions()) {
        if (a->text() != item) continue;
        click(menu, menu->actionGeometry(a).center());
        return true;
    }
    return false;
}

bool chooseMenuItem(QMainWindow* window, const QString& menu, const QString& item) {
    QMenuBar* bar = window->menuBar();
    for (QAction* title : bar->actions()) {
        if (title->text() != menu) continue;
        click(bar, bar->actionGeometry(title).center());
        if (item.isEmpty()) return !title->menu();
        QMenu* opened = title->menu();
        if (!opened || !opened->isVisible()) return false;
        if (chooseFromMenu(opened, item)) return true;
        opened->close();
        return false;
    }
    return false;
}

}  // namespace skiff::test
