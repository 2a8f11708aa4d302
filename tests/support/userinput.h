#pragma once

#include <QEvent>
#include <QPointF>
#include <QString>

class QMainWindow;
class QMenu;
class QWidget;

namespace skiff::test {

// Input as the window system delivers it. Mouse events go to the window at the pointer, which
// hands them to the widget under the pointer there (or to the one that holds the mouse since a
// press); keys go to the window, which hands them to its focus widget. A widget hidden behind
// another, disabled or outside the window gets what a user's input would give it: nothing.

// Shows `window` and makes it the active window, as when the user brings it to the front.
// False when it did not become active.
bool showActive(QWidget* window);

// The close box of `window`'s title bar: the window system asks the window to close.
void closeByCloseBox(QWidget* window);

// One mouse event at `pos` of `widget` (its coordinates), with `held` the buttons down after
// the event and `button` the one that changed.
void mouseEvent(QWidget* widget, QEvent::Type type, QPointF pos, Qt::MouseButtons held,
                Qt::MouseButton button = Qt::NoButton, Qt::KeyboardModifiers mods = {});

// A click of `button` at `pos` of `widget`; at its centre when no point (or 0,0) is given.
void click(QWidget* widget, QPoint pos = {}, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers mods = {});
void doubleClick(QWidget* widget, QPoint pos = {});

// A key pressed and released in the window of `widget`.
void pressKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers mods = {});
// The same for a character key, which gives that character as its text.
void pressKey(QWidget* widget, char key, Qt::KeyboardModifiers mods = {});
// `text` typed into the window of `widget`, one key for each character.
void type(QWidget* widget, const QString& text);
// Clicks into the text box `box`, selects all it holds and types `text` over it.
void retype(QWidget* box, const QString& text);

// Chooses an item of the menu bar of `window` with the mouse: a click on the title `menu`,
// then a click on `item` in the menu that opens. A title without a menu of its own acts when
// clicked: leave `item` empty. False when the title or the item is not there.
bool chooseMenuItem(QMainWindow* window, const QString& menu, const QString& item = {});
// Clicks `item` in the open menu `menu`; false when it has no such item.
bool chooseFromMenu(QMenu* menu, const QString& item);

}  // namespace skiff::test
