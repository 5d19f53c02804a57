#include "KeyCommands.h"

#include "Messages.h"
#include "ReaderState.h"
#include "SpokenMenus.h"
#include "TFormPrincipal.h"
#include "UnitUPCTV.h"

#include <algorithm>

namespace {

using RunsWhen = KeyCommand::RunsWhen;
using StartsRun = KeyCommand::StartsRun;

constexpr KeyCommand Commands[] = {
    {"Menu", {13, 82, 114}, RunsWhen::Always, &MenuCommand},
    {"P", {80, 112}, RunsWhen::Always, &ReadingModeCommand},
    {"C", {67, 99}, RunsWhen::BookToContinue, &ContinueCommand, StartsRun::Yes},
    {"A", {65, 97}, RunsWhen::BookToContinue, &PreviousSentenceCommand, StartsRun::Yes},
    {"M", {77, 109}, RunsWhen::BookToContinue, &RestartCommand, StartsRun::Yes},
    {"O", {79, 111}, RunsWhen::Always, &OpenBookCommand, StartsRun::Yes},
    {"V", {86, 118}, RunsWhen::Always, &FasterCommand},
    {"D", {68, 100}, RunsWhen::Always, &SlowerCommand},
    {"L", {76, 108}, RunsWhen::Always, &LanguageCommand},
    {"T", {84, 116}, RunsWhen::Always, &ClipboardCommand, StartsRun::Yes},
    {"S", {83, 115}, RunsWhen::Always, &ExitCommand},
    {"B", {66, 98}, RunsWhen::BookToContinue, &BookmarkCommand},
    {"Z", {90, 122}, RunsWhen::BookToContinue, &SleepTimerCommand},
    // Navigation in a book (NavigationCommands.cpp).
    {"N", {78, 110}, RunsWhen::BookToContinue, &NavigationLevelCommand},
    {"PageDown", {34}, RunsWhen::BookToContinue, &NextUnitCommand, StartsRun::Yes},
    {"PageUp", {33}, RunsWhen::BookToContinue, &PreviousUnitCommand, StartsRun::Yes},
    {"I", {73, 105}, RunsWhen::BookToContinue, &WhereAmICommand},
    {"G", {71, 103}, RunsWhen::BookToContinue, &GoToCommand, StartsRun::Yes},
    {"H", {72, 104}, RunsWhen::BookToContinue, &NavigationHelpCommand},
    {"X", {88, 120}, RunsWhen::BookToContinue, &ExportCommand, StartsRun::Yes},
};

constexpr int SpeedStep = 10;
constexpr int HighestSpeed = 250;
constexpr int LowestSpeed = 10;
constexpr int PauseBeforeMenuMs = 200;

const QByteArray &menuForTheState() {
    const ReaderState &state = State();
    return state.BookFinished ? state.IdleMenuText : state.PauseMenuText;
}

// The speed steps by `step` unless it has reached `limit` (or gone past it: a
// stored speed may lie outside the range, and is then used as it is).
void changeSpeed(int step, int limit, const Phrase &refused, const Phrase &changed) {
    SpeechService &speech = Speech();
    speech.upcTVStop();
    const bool atLimit = step > 0 ? speech.ReadingSpeed >= limit : speech.ReadingSpeed <= limit;
    if (atLimit) {
        speech.SpeakText(inActiveLanguage(refused));
    } else {
        speech.ReadingSpeed += step;
        speech.upcTVSetSpeed(speech.ReadingSpeed);
        speech.SpeakText(inActiveLanguage(changed));
    }
    WaitPumping(PauseBeforeMenuMs);
}

} // namespace

bool KeyCommand::answersTo(int keyCode) const {
    return keyCode != 0 && std::ranges::find(keyCodes, keyCode) != keyCodes.end();
}

std::span<const KeyCommand> keyCommandTable() {
    return Commands;
}

const KeyCommand *findKeyCommand(int keyCode) {
    for (const KeyCommand &command : keyCommandTable()) {
        if (command.answersTo(keyCode)) {
            return &command;
        }
    }
    return nullptr;
}

bool isMenuKey(int keyCode) {
    const KeyCommand *command = findKeyCommand(keyCode);
    return command != nullptr && command->run == &MenuCommand;
}

bool runKeyCommand(TFormPrincipal &form, int keyCode) {
    if (takeGoToKey(form, keyCode)) {
        return true;
    }
    const KeyCommand *command = findKeyCommand(keyCode);
    if (command == nullptr) {
        return false;
    }
    if (command->runsWhen == RunsWhen::BookToContinue && State().BookFinished) {
        return false;
    }
    if (command->startsRun == StartsRun::Yes && form.readingRunActive()) {
        return false;
    }
    command->run(form);
    return true;
}

void MenuCommand(TFormPrincipal &) {
    WaitPumping(PauseBeforeMenuMs);
    Speech().SpeakText(menuForTheState());
}

void ReadingModeCommand(TFormPrincipal &) {
    ReaderState &state = State();
    state.StopAfterSentence = !state.StopAfterSentence;
    if (state.StopAfterSentence) {
        state.ReadPosition = state.SentenceStart;
        Speech().SpeakText(inActiveLanguage(Messages::StopAfterSentenceOn));
    } else {
        Speech().SpeakText(inActiveLanguage(Messages::StopAfterSentenceOff));
    }
}

void FasterCommand(TFormPrincipal &) {
    changeSpeed(SpeedStep, HighestSpeed, Messages::SpeedAtMaximum, Messages::SpeedRaised);
}

void SlowerCommand(TFormPrincipal &) {
    changeSpeed(-SpeedStep, LowestSpeed, Messages::SpeedAtMinimum, Messages::SpeedLowered);
}

// The confirmation and the menus follow the language that is active once the
// switch is done, so that they always agree with it: also when an L pressed
// during the confirmation has switched back meanwhile, or when there is no
// library to switch.
void LanguageCommand(TFormPrincipal &form) {
    SpeechService &speech = Speech();
    speech.upcTVStop();
    if (speech.CatalanActive) {
        speech.SwitchToSpanish();
    } else {
        speech.SwitchToCatalan();
    }
    form.LlegirFinsQueSAcabi(speech.CatalanActive ? Messages::SwitchedToCatalan
                                                  : Messages::SwitchedToSpanish);
    if (speech.CatalanActive) {
        BuildCatalanMenus();
    } else {
        BuildSpanishMenus();
    }
    speech.upcTVStop();
    WaitPumping(PauseBeforeMenuMs);
    speech.SpeakText(menuForTheState());
}

void ExitCommand(TFormPrincipal &form) {
    form.close();
}

void ExportCommand(TFormPrincipal &form) {
    if (form.Hooks.exportBook) {
        form.Hooks.exportBook();
    }
}
