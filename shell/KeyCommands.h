#pragma once

#include <array>
#include <span>

class TFormPrincipal;

// The command table of the main window's key handler (FormKeyDown).
//
// Each row names the virtual-key codes that run one command: its upper-case
// letter's code and its lower-case letter's code, which the keypad and function
// keys send (so F3 acts as R, the keypad minus as M, F4 as S). The handler looks a
// code up in the table's order and runs the first row that has it. Adding a
// command is one row in KeyCommands.cpp plus the function it runs.
struct KeyCommand {
    enum class RunsWhen {
        Always,
        // Only while there is a reading to continue (BookFinished false).
        BookToContinue,
    };
    static constexpr int MaxKeyCodes = 3;

    const char *name;                      // the command's letter
    std::array<int, MaxKeyCodes> keyCodes; // unused slots are 0
    RunsWhen runsWhen;
    void (*run)(TFormPrincipal &form); // called on the UI thread

    bool answersTo(int keyCode) const;
};

// The table, in look-up order.
std::span<const KeyCommand> keyCommandTable();

// The first command of the table for `keyCode`, or null.
const KeyCommand *findKeyCommand(int keyCode);

// Looks `keyCode` up and runs its command when its condition holds; returns
// whether a command ran. A command may dispatch events (and so run the key handler
// again, nested) before it returns.
bool runKeyCommand(TFormPrincipal &form, int keyCode);

// Menu (Enter, R, F3): after 200 ms, speak the idle menu when there is nothing to
// continue, otherwise the pause menu.
void MenuCommand(TFormPrincipal &form);
