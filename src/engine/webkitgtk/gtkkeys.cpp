#include "engine/webkitgtk/gtkkeys.h"

#include <QChar>
#include <Qt>
#include <algorithm>
#include <iterator>

#include "engine/webkitgtk/gtkheaders.h"

namespace skiff {

namespace {

struct KeyPair {
    unsigned keyval;
    int key;
};

constexpr KeyPair kKeys[] = {
    {GDK_KEY_Escape, Qt::Key_Escape},
    {GDK_KEY_Tab, Qt::Key_Tab},
    {GDK_KEY_ISO_Left_Tab, Qt::Key_Backtab},
    {GDK_KEY_BackSpace, Qt::Key_Backspace},
    {GDK_KEY_Return, Qt::Key_Return},
    {GDK_KEY_KP_Enter, Qt::Key_Enter},
    {GDK_KEY_Insert, Qt::Key_Insert},
    {GDK_KEY_Delete, Qt::Key_Delete},
    {GDK_KEY_Pause, Qt::Key_Pause},
    {GDK_KEY_Print, Qt::Key_Print},
    {GDK_KEY_Home, Qt::Key_Home},
    {GDK_KEY_End, Qt::Key_End},
    {GDK_KEY_Left, Qt::Key_Left},
    {GDK_KEY_Up, Qt::Key_Up},
    {GDK_KEY_Right, Qt::Key_Right},
    {GDK_KEY_Down, Qt::Key_Down},
    {GDK_KEY_Page_Up, Qt::Key_PageUp},
    {GDK_KEY_Page_Down, Qt::Key_PageDown},
    {GDK_KEY_KP_Home, Qt::Key_Home},
    {GDK_KEY_KP_End, Qt::Key_End},
    {GDK_KEY_KP_Left, Qt::Key_Left},
    {GDK_KEY_KP_Up, Qt::Key_Up},
    {GDK_KEY_KP_Right, Qt::Key_Right},
    {GDK_KEY_KP_Down, Qt::Key_Down},
    {GDK_KEY_KP_Page_Up, Qt::Key_PageUp},
    {GDK_KEY_KP_Page_Down, Qt::Key_PageDown},
    {GDK_KEY_KP_Insert, Qt::Key_Insert},
    {GDK_KEY_KP_Delete, Qt::Key_Delete},
    {GDK_KEY_KP_Add, Qt::Key_Plus},
    {GDK_KEY_KP_Subtract, Qt::Key_Minus},
    {GDK_KEY_KP_Multiply, Qt::Key_Asterisk},
    {GDK_KEY_KP_Divide, Qt::Key_Slash},
    {GDK_KEY_Shift_L, Qt::Key_Shift},
    {GDK_KEY_Shift_R, Qt::Key_Shift},
    {GDK_KEY_Control_L, Qt::Key_Control},
    {GDK_KEY_Control_R, Qt::Key_Control},
    {GDK_KEY_Alt_L, Qt::Key_Alt},
    {GDK_KEY_Alt_R, Qt::Key_Alt},
    {GDK_KEY_Super_L, Qt::Key_Meta},
    {GDK_KEY_Super_R, Qt::Key_Meta},
    {GDK_KEY_Menu, Qt::Key_Menu},
    {GDK_KEY_Back, Qt::Key_Back},
    {GDK_KEY_Forward, Qt::Key_Forward},
};

}  // namespace

int qtKeyFor(unsigned keyval) {
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F35) return Qt::Key_F1 + int(keyval - GDK_KEY_F1);
    if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9)
        return Qt::Key_0 + int(keyval - GDK_KEY_KP_0);
    const auto* found =
        std::find_if(std::begin(kKeys), std::end(kKeys),
                     [keyval](const KeyPair& pair) { return pair.keyval == keyval; });
    if (found != std::end(kKeys)) return found->key;
    // Printable keys: Qt names a letter by its capital, and other signs by their code.
    const gunichar character = gdk_keyval_to_unicode(gdk_keyval_to_upper(keyval));
    return character >= 0x20 ? int(character) : 0;
}

QString textFor(unsigned keyval, unsigned state) {
    if (state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) return {};
    const gunichar character = gdk_keyval_to_unicode(keyval);
    if (character < 0x20 || character == 0x7f) return {};
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(&character), 1);
}

}  // namespace skiff
