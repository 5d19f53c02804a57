#include "VirtualKeys.h"

#include <QKeyEvent>

#include <array>
#include <utility>

namespace {

// Keys of the numeric keypad whose code differs from the key of the same character
// elsewhere on the keyboard. With NumLock off the keypad sends Home, End, arrows,
// Insert, Delete and Clear, which have one code wherever they are.
int keypadKey(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return VirtualKey::Numpad0 + (qtKey - Qt::Key_0);
    }
    switch (qtKey) {
    case Qt::Key_Asterisk:
        return VirtualKey::Multiply;
    case Qt::Key_Plus:
        return VirtualKey::Add;
    case Qt::Key_Comma:
        return VirtualKey::Separator;
    case Qt::Key_Minus:
        return VirtualKey::Subtract;
    case Qt::Key_Period:
        return VirtualKey::Decimal;
    case Qt::Key_Slash:
        return VirtualKey::Divide;
    default:
        return VirtualKey::Unknown;
    }
}

// Keys with one code wherever they are, keypad or not.
constexpr std::array<std::pair<int, int>, 33> FixedKeys{{
    {Qt::Key_Backspace, VirtualKey::Backspace},
    {Qt::Key_Tab, VirtualKey::Tab},
    {Qt::Key_Backtab, VirtualKey::Tab}, // Shift+Tab is Tab with Shift held
    {Qt::Key_Clear, VirtualKey::Clear},
    {Qt::Key_Return, VirtualKey::Return},
    {Qt::Key_Enter, VirtualKey::Return}, // the keypad's Enter
    {Qt::Key_Shift, VirtualKey::Shift},
    {Qt::Key_Control, VirtualKey::Control},
    {Qt::Key_Alt, VirtualKey::Menu},
    {Qt::Key_AltGr, VirtualKey::Menu},
    {Qt::Key_Pause, VirtualKey::Pause},
    {Qt::Key_CapsLock, VirtualKey::Capital},
    {Qt::Key_Escape, VirtualKey::Escape},
    {Qt::Key_Space, VirtualKey::Space},
    {Qt::Key_PageUp, VirtualKey::Prior},
    {Qt::Key_PageDown, VirtualKey::Next},
    {Qt::Key_End, VirtualKey::End},
    {Qt::Key_Home, VirtualKey::Home},
    {Qt::Key_Left, VirtualKey::Left},
    {Qt::Key_Up, VirtualKey::Up},
    {Qt::Key_Right, VirtualKey::Right},
    {Qt::Key_Down, VirtualKey::Down},
    {Qt::Key_Print, VirtualKey::Snapshot},
    {Qt::Key_Insert, VirtualKey::Insert},
    {Qt::Key_Delete, VirtualKey::Delete},
    {Qt::Key_Help, VirtualKey::Help},
    {Qt::Key_Meta, VirtualKey::LeftWindows},
    {Qt::Key_Super_L, VirtualKey::LeftWindows},
    {Qt::Key_Super_R, VirtualKey::LeftWindows + 1},
    {Qt::Key_Menu, VirtualKey::Apps},
    {Qt::Key_NumLock, VirtualKey::NumLock},
    {Qt::Key_ScrollLock, VirtualKey::ScrollLock},
    {Qt::Key_SysReq, VirtualKey::Snapshot},
}};

} // namespace

int windowsVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (const int code = keypadKey(qtKey); code != VirtualKey::Unknown) {
            return code;
        }
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return VirtualKey::LetterA + (qtKey - Qt::Key_A);
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return VirtualKey::Digit0 + (qtKey - Qt::Key_0);
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return VirtualKey::F1 + (qtKey - Qt::Key_F1);
    }
    for (const auto &[key, code] : FixedKeys) {
        if (key == qtKey) {
            return code;
        }
    }
    return VirtualKey::Unknown;
}

int windowsVirtualKey(const QKeyEvent &event) {
    return windowsVirtualKey(event.key(), event.modifiers());
}
