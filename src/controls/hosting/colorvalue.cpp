#include "controls/hosting/colorvalue.h"

#include <QApplication>
#include <QPalette>

namespace skiff {

namespace {

QColor systemColor(int index) {
    const QPalette pal = QApplication::palette();
    switch (index) {
        case 0:  // scroll bar
            return pal.color(QPalette::Mid);
        case 1:  // desktop
            return pal.color(QPalette::Dark);
        case 2:   // active caption
        case 13:  // highlight
            return pal.color(QPalette::Highlight);
        case 4:   // menu
        case 15:  // button face
            return pal.color(QPalette::Button);
        case 5:  // window
            return pal.color(QPalette::Base);
        case 7:  // menu text
        case 8:  // window text
            return pal.color(QPalette::WindowText);
        case 14:  // highlight text
            return pal.color(QPalette::HighlightedText);
        case 16:  // button shadow
            return pal.color(QPalette::Shadow);
        case 17:  // grey text
            return pal.color(QPalette::Disabled, QPalette::Text);
        case 18:  // button text
            return pal.color(QPalette::ButtonText);
        case 20:  // button highlight
            return pal.color(QPalette::Light);
        case 24:  // tooltip background
            return pal.color(QPalette::ToolTipBase);
        default:
            return pal.color(QPalette::Window);
    }
}

}  // namespace

QColor resolveColor(ColorValue color) {
    if (color.isSystemColor()) return systemColor(static_cast<int>(color.value & 0xFFu));
    if (color.value & 0xFF000000u) return QColor(Qt::black);
    return QColor(color.value & 0xFF, (color.value >> 8) & 0xFF, (color.value >> 16) & 0xFF);
}

}  // namespace skiff
