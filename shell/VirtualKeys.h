#pragma once

#include <Qt>

class QKeyEvent;

// Windows virtual-key codes: every key table of the program (the main window's
// commands, the book chooser's keys) compares these, so that the codes of keypad
// and function keys keep meaning what they have always meant (F3 is 114, the
// keypad minus 109, keypad 1 with NumLock on 97, ...).
namespace VirtualKey {
inline constexpr int Unknown = 0;
inline constexpr int Backspace = 8;
inline constexpr int Tab = 9;
inline constexpr int Clear = 12;
inline constexpr int Return = 13;
inline constexpr int Shift = 16;
inline constexpr int Control = 17;
inline constexpr int Menu = 18; // Alt
inline constexpr int Pause = 19;
inline constexpr int Capital = 20; // Caps Lock
inline constexpr int Escape = 27;
inline constexpr int Space = 32;
inline constexpr int Prior = 33; // Page Up
inline constexpr int Next = 34;  // Page Down
inline constexpr int End = 35;
inline constexpr int Home = 36;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int Snapshot = 44; // Print Screen
inline constexpr int Insert = 45;
inline constexpr int Delete = 46;
inline constexpr int Help = 47;
inline constexpr int Digit0 = 48;  // '0' .. '9' are 48 .. 57
inline constexpr int LetterA = 65; // 'A' .. 'Z' are 65 .. 90
inline constexpr int LeftWindows = 91;
inline constexpr int Apps = 93;    // the context-menu key
inline constexpr int Numpad0 = 96; // keypad digits with NumLock on: 96 .. 105
inline constexpr int Multiply = 106;
inline constexpr int Add = 107;
inline constexpr int Separator = 108;
inline constexpr int Subtract = 109;
inline constexpr int Decimal = 110;
inline constexpr int Divide = 111;
inline constexpr int F1 = 112; // F1 .. F24 are 112 .. 135
inline constexpr int NumLock = 144;
inline constexpr int ScrollLock = 145;
} // namespace VirtualKey

// The virtual-key code of a key: letters give their upper-case code whatever the
// state of Shift or Caps Lock, keypad keys (`modifiers` holding
// Qt::KeypadModifier) give the keypad codes, and a key with no code gives 0.
// Only key() and the keypad flag are used: native key codes are not available on
// every platform (they are 0 under the offscreen platform).
int windowsVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);
int windowsVirtualKey(const QKeyEvent &event);
