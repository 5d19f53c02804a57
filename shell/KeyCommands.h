#pragma once

#include <QtGlobal>

#include <array>
#include <span>
#include <vector>

class BookmarkFile;

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
    // Whether the command starts a reading run (or steps back in the book): such a
    // command is refused, the key only silencing the speech, while an earlier run
    // is still unwinding or a book is being opened, so that runs never nest.
    enum class StartsRun { No, Yes };
    static constexpr int MaxKeyCodes = 3;

    const char *name;                      // the command's letter
    std::array<int, MaxKeyCodes> keyCodes; // unused slots are 0
    RunsWhen runsWhen;
    void (*run)(TFormPrincipal &form); // called on the UI thread
    StartsRun startsRun = StartsRun::No;

    bool answersTo(int keyCode) const;
};

// The table, in look-up order.
std::span<const KeyCommand> keyCommandTable();

// The first command of the table for `keyCode`, or null.
const KeyCommand *findKeyCommand(int keyCode);

// Looks `keyCode` up and runs its command when its conditions hold; returns
// whether a command ran. A command may dispatch events (and so run the key handler
// again, nested) before it returns.
bool runKeyCommand(TFormPrincipal &form, int keyCode);

// The commands. "Speak" returns at once; "announce" (LlegirFinsQueSAcabi) returns
// once the text has been heard. Every text is in the active language.

// Menu (Enter, R, F3): after 200 ms, speak the idle menu when there is nothing to
// continue, otherwise the pause menu.
void MenuCommand(TFormPrincipal &form);

// Whether `keyCode` is one of the menu command's keys, which also stop a reading
// run (Enter, R, F3).
bool isMenuKey(int keyCode);
// P (F1): switches between reading on and stopping after every sentence.
void ReadingModeCommand(TFormPrincipal &form);
// V (F7) and D (keypad 4): the speed up or down by 10, within 10 to 250.
void FasterCommand(TFormPrincipal &form);
void SlowerCommand(TFormPrincipal &form);
// L (keypad separator): the other language, confirmed in it, menus rebuilt.
void LanguageCommand(TFormPrincipal &form);
// S (F4): closes the main window, which says goodbye, saves and ends the program.
void ExitCommand(TFormPrincipal &form);
// X (F9), with a book paused and no run: the book exported to audio files in the
// background (Hooks.exportBook), or the progress of the export that runs.
void ExportCommand(TFormPrincipal &form);

// The commands that start a reading run (ReadingCommands.cpp). Each returns when
// its run has ended.
// C (keypad 3): reads on from where the book was paused.
void ContinueCommand(TFormPrincipal &form);
// A (keypad 1): one sentence back, then reads.
void PreviousSentenceCommand(TFormPrincipal &form);
// M (keypad minus): reads the book again from its first byte.
void RestartCommand(TFormPrincipal &form);
// O (keypad divide): the book chooser, then the chosen book.
void OpenBookCommand(TFormPrincipal &form);
// T (F5): reads the clipboard's text, titled "Carpeta".
void ClipboardCommand(TFormPrincipal &form);

// The bookmark and sleep timer commands (BookmarkAndSleepCommands.cpp), acting
// where C does.
// B (keypad 2): puts a bookmark at the position C reads on from, or removes the
// one there, in form.Bookmarks, and says which by its number.
void BookmarkCommand(TFormPrincipal &form);
// Z (F11): the sleep timer's next choice (SleepTimer.h), said.
void SleepTimerCommand(TFormPrincipal &form);

// The current book's bookmarks in `file`, ascending; none for the clipboard's text.
std::vector<qint64> bookmarksOfCurrentBook(const BookmarkFile &file);

// Navigation in a book (NavigationCommands.cpp), through the navigation hooks:
// each acts on a paused book and first silences the speech, as every command.
// N (keypad decimal): the next navigation level, spoken.
void NavigationLevelCommand(TFormPrincipal &form);
// Page Down / Page Up: the next / previous unit of the level, spoken, then reads
// on from there as C does; at the last / first unit says so and stays.
void NextUnitCommand(TFormPrincipal &form);
void PreviousUnitCommand(TFormPrincipal &form);
// I (keypad 9): where am I.
void WhereAmICommand(TFormPrincipal &form);
// G (keypad 7): asks for a page (or a percentage) and takes the digits typed.
void GoToCommand(TFormPrincipal &form);
// H (keypad 8): the extra keys that act now.
void NavigationHelpCommand(TFormPrincipal &form);
// While G waits for a number, every key goes here first: digits (top row and
// keypad) are spoken and kept, Backspace removes one, Enter goes there and reads
// on, any other key cancels and says so. False when no number is awaited.
bool takeGoToKey(TFormPrincipal &form, int keyCode);
