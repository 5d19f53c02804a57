// The one mapping from key events to the virtual-key codes that every command
// table compares.
#include "VirtualKeys.h"

#include <QKeyEvent>
#include <QTest>

class TestVirtualKeys : public QObject {
    Q_OBJECT
private slots:
    void mapsKeyEvent_data();
    void mapsKeyEvent();
    void lettersIgnoreShiftAndCapsLock_data();
    void lettersIgnoreShiftAndCapsLock();
    void everyLetterDigitAndFunctionKey();
};

namespace {
constexpr auto None = Qt::NoModifier;
constexpr auto Keypad = Qt::KeypadModifier;
} // namespace

void TestVirtualKeys::mapsKeyEvent_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("code");

    const auto row = [](const char *name, int key, Qt::KeyboardModifiers modifiers, int code) {
        QTest::newRow(name) << key << modifiers << code;
    };
    // Command letters.
    row("R", Qt::Key_R, None, 82);
    row("Shift+R", Qt::Key_R, Qt::ShiftModifier, 82);
    row("Ctrl+Alt+S", Qt::Key_S, Qt::ControlModifier | Qt::AltModifier, 83);
    row("A", Qt::Key_A, None, 65);
    row("Z", Qt::Key_Z, None, 90);
    // Enter on the main keyboard and on the keypad.
    row("Return", Qt::Key_Return, None, 13);
    row("keypad Enter", Qt::Key_Enter, Keypad, 13);
    row("Enter without keypad flag", Qt::Key_Enter, None, 13);
    // Digits: the main row and the keypad with NumLock on.
    row("0", Qt::Key_0, None, 48);
    row("9", Qt::Key_9, None, 57);
    row("Shift+5 gives the digit key", Qt::Key_5, Qt::ShiftModifier, 53);
    row("keypad 0", Qt::Key_0, Keypad, 96);
    row("keypad 1 (acts as A)", Qt::Key_1, Keypad, 97);
    row("keypad 3 (acts as C)", Qt::Key_3, Keypad, 99);
    row("keypad 4 (acts as D)", Qt::Key_4, Keypad, 100);
    row("keypad 9", Qt::Key_9, Keypad, 105);
    // Keypad with NumLock off: the navigation keys, same codes as elsewhere.
    row("keypad 0 NumLock off", Qt::Key_Insert, Keypad, 45);
    row("keypad 1 NumLock off", Qt::Key_End, Keypad, 35);
    row("keypad 2 NumLock off", Qt::Key_Down, Keypad, 40);
    row("keypad 3 NumLock off", Qt::Key_PageDown, Keypad, 34);
    row("keypad 4 NumLock off", Qt::Key_Left, Keypad, 37);
    row("keypad 5 NumLock off", Qt::Key_Clear, Keypad, 12);
    row("keypad 6 NumLock off", Qt::Key_Right, Keypad, 39);
    row("keypad 7 NumLock off", Qt::Key_Home, Keypad, 36);
    row("keypad 8 NumLock off", Qt::Key_Up, Keypad, 38);
    row("keypad 9 NumLock off", Qt::Key_PageUp, Keypad, 33);
    row("keypad . NumLock off", Qt::Key_Delete, Keypad, 46);
    // Keypad operators.
    row("keypad *", Qt::Key_Asterisk, Keypad, 106);
    row("keypad +", Qt::Key_Plus, Keypad, 107);
    row("keypad separator (acts as L)", Qt::Key_Comma, Keypad, 108);
    row("keypad minus (acts as M)", Qt::Key_Minus, Keypad, 109);
    row("keypad .", Qt::Key_Period, Keypad, 110);
    row("keypad / (acts as O)", Qt::Key_Slash, Keypad, 111);
    // The same characters off the keypad are not keypad codes.
    row("main-row minus is not M", Qt::Key_Minus, None, 0);
    row("main-row slash is not O", Qt::Key_Slash, None, 0);
    row("main-row asterisk", Qt::Key_Asterisk, None, 0);
    // Function keys.
    row("F1 (acts as P)", Qt::Key_F1, None, 112);
    row("F3 (acts as R)", Qt::Key_F3, None, 114);
    row("F4 (acts as S)", Qt::Key_F4, None, 115);
    row("F5 (acts as T)", Qt::Key_F5, None, 116);
    row("F7 (acts as V)", Qt::Key_F7, None, 118);
    row("Shift+F3", Qt::Key_F3, Qt::ShiftModifier, 114);
    row("F12", Qt::Key_F12, None, 123);
    row("F24", Qt::Key_F24, None, 135);
    row("F25 has no code", Qt::Key_F25, None, 0);
    // Other named keys.
    row("Esc", Qt::Key_Escape, None, 27);
    row("Tab", Qt::Key_Tab, None, 9);
    row("Shift+Tab", Qt::Key_Backtab, Qt::ShiftModifier, 9);
    row("Backspace", Qt::Key_Backspace, None, 8);
    row("Space", Qt::Key_Space, None, 32);
    row("Shift", Qt::Key_Shift, Qt::ShiftModifier, 16);
    row("Ctrl", Qt::Key_Control, Qt::ControlModifier, 17);
    row("Alt", Qt::Key_Alt, Qt::AltModifier, 18);
    row("AltGr", Qt::Key_AltGr, None, 18);
    row("Caps Lock", Qt::Key_CapsLock, None, 20);
    row("Num Lock", Qt::Key_NumLock, None, 144);
    row("Scroll Lock", Qt::Key_ScrollLock, None, 145);
    row("Pause", Qt::Key_Pause, None, 19);
    row("Print", Qt::Key_Print, None, 44);
    row("Home", Qt::Key_Home, None, 36);
    row("End", Qt::Key_End, None, 35);
    row("PgUp", Qt::Key_PageUp, None, 33);
    row("PgDn", Qt::Key_PageDown, None, 34);
    row("Insert", Qt::Key_Insert, None, 45);
    row("Delete", Qt::Key_Delete, None, 46);
    row("Left", Qt::Key_Left, None, 37);
    row("Up", Qt::Key_Up, None, 38);
    row("Right", Qt::Key_Right, None, 39);
    row("Down", Qt::Key_Down, None, 40);
    row("Windows key", Qt::Key_Meta, Qt::MetaModifier, 91);
    row("context-menu key", Qt::Key_Menu, None, 93);
    // Keys with no code.
    row("unknown", Qt::Key_unknown, None, 0);
    row("no key", 0, None, 0);
    row("letter with accent", Qt::Key_Ccedilla, None, 0);
    row("volume up", Qt::Key_VolumeUp, None, 0);
}

void TestVirtualKeys::mapsKeyEvent() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, code);
    const QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QCOMPARE(windowsVirtualKey(event), code);
    QCOMPARE(windowsVirtualKey(key, modifiers), code);
}

// Qt gives the upper-case key for a letter whatever the text typed; the text must
// play no part in the code.
void TestVirtualKeys::lettersIgnoreShiftAndCapsLock_data() {
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::newRow("lower case") << Qt::KeyboardModifiers(None) << QStringLiteral("r");
    QTest::newRow("Shift") << Qt::KeyboardModifiers(Qt::ShiftModifier) << QStringLiteral("R");
    QTest::newRow("Caps Lock") << Qt::KeyboardModifiers(None) << QStringLiteral("R");
    QTest::newRow("Caps Lock and Shift")
        << Qt::KeyboardModifiers(Qt::ShiftModifier) << QStringLiteral("r");
}

void TestVirtualKeys::lettersIgnoreShiftAndCapsLock() {
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, text);
    const QKeyEvent event(QEvent::KeyPress, Qt::Key_R, modifiers, text);
    QCOMPARE(windowsVirtualKey(event), 82);
}

void TestVirtualKeys::everyLetterDigitAndFunctionKey() {
    for (int i = 0; i < 26; ++i) {
        QCOMPARE(windowsVirtualKey(Qt::Key_A + i, None), 'A' + i);
        QCOMPARE(windowsVirtualKey(Qt::Key_A + i, Qt::ShiftModifier), 'A' + i);
    }
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(windowsVirtualKey(Qt::Key_0 + i, None), '0' + i);
        QCOMPARE(windowsVirtualKey(Qt::Key_0 + i, Keypad), 96 + i);
    }
    for (int i = 0; i < 24; ++i) {
        QCOMPARE(windowsVirtualKey(Qt::Key_F1 + i, None), 112 + i);
    }
}

QTEST_GUILESS_MAIN(TestVirtualKeys)
#include "tst_virtualkeys.moc"
