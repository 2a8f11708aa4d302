#pragma once

#include <Qt>
#include <QtGlobal>

namespace skiff {

// The button and shift codes the custom controls hand to their mouse events.

// Mouse buttons: left 1, right 2, middle 4, added when several are held.
inline qint16 buttonCode(Qt::MouseButtons buttons) {
    qint16 code = 0;
    if (buttons & Qt::LeftButton) code |= 1;
    if (buttons & Qt::RightButton) code |= 2;
    if (buttons & Qt::MiddleButton) code |= 4;
    return code;
}

// Shift keys: shift 1, ctrl 2, alt 4.
inline qint16 shiftCode(Qt::KeyboardModifiers modifiers) {
    qint16 code = 0;
    if (modifiers & Qt::ShiftModifier) code |= 1;
    if (modifiers & Qt::ControlModifier) code |= 2;
    if (modifiers & Qt::AltModifier) code |= 4;
    return code;
}

}  // namespace skiff
