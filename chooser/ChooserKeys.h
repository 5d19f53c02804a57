#pragma once

class QKeyEvent;

// The key codes the book chooser's handlers compare: Windows virtual-key codes,
// so that F3 (114, the code of a lower-case "r") repeats a prompt as R (82) does.
namespace ChooserKeys {

inline constexpr int Return = 13; // either Enter key
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int LetterR = 82; // R, with or without Shift
inline constexpr int F3 = 114;

// The virtual-key code of a key event, from key() and the keypad flag only (native
// codes are 0 under the offscreen platform): letters give their upper-case code
// whatever Shift says, keypad digits 96-105 and keypad operators 106-111 when the
// keypad flag is set, F1-F24 112-135, the navigation keys their codes; 0 for a key
// without one.
int virtualKey(const QKeyEvent &event);

} // namespace ChooserKeys
