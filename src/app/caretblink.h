#pragma once

namespace skiff {

// The program's policy for its text caret, which the application object sets: from the first
// call on, the text caret of the program's text boxes blinks while the user
// works and stops blinking (staying shown) once no key, button or focus change has come for
// kCaretBlinkSeconds, as desktops do: each blink repaints the window, and the browser window
// is composed again whole for any repaint in it.
inline constexpr int kCaretBlinkSeconds = 10;
void stopCaretBlinkingWhenIdle();

}  // namespace skiff
