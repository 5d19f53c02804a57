#include "KeyCommands.h"

#include "ReaderState.h"
#include "TFormPrincipal.h"
#include "UnitUPCTV.h"

#include <algorithm>

namespace {

using RunsWhen = KeyCommand::RunsWhen;

constexpr KeyCommand Commands[] = {
    {"Menu", {13, 82, 114}, RunsWhen::Always, &MenuCommand},
};

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

bool runKeyCommand(TFormPrincipal &form, int keyCode) {
    const KeyCommand *command = findKeyCommand(keyCode);
    if (command == nullptr) {
        return false;
    }
    if (command->runsWhen == RunsWhen::BookToContinue && State().BookFinished) {
        return false;
    }
    command->run(form);
    return true;
}

void MenuCommand(TFormPrincipal &) {
    WaitPumping(200);
    Speech().SpeakText(State().BookFinished ? State().IdleMenuText : State().PauseMenuText);
}
