#pragma once

#include <QString>

namespace skiff {

// The Qt key for a GDK key value (an X keysym): letters as their capitals, digits, signs,
// function, editing and movement keys; 0 for a key Qt's shortcuts do not know.
int qtKeyFor(unsigned keyval);
// The text a key types, with the modifiers held in `state`; empty for keys that type none.
QString textFor(unsigned keyval, unsigned state);

}  // namespace skiff
