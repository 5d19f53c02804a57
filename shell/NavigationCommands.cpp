// The navigation keys of the main window. What they say and where they move comes
// from the navigation hooks (ShellHooks.h); here the speech, the move and the
// reading that follows, and the typing of a go-to number.
#include "KeyCommands.h"
#include "Messages.h"
#include "ReaderState.h"
#include "TFormPrincipal.h"
#include "UnitUPCTV.h"
#include "VirtualKeys.h"

namespace {

constexpr int PauseBeforeReadingMs = 200;
// More digits than any page number or percentage needs are not taken.
constexpr qsizetype LongestNumber = 9;

// The number being typed after G; active while it is awaited.
struct GoToEntry {
    bool active = false;
    QByteArray digits;
};

GoToEntry &goToEntry() {
    static GoToEntry entry;
    return entry;
}

// The answer is spoken; a target moves the book there and reads on from it,
// as the continue key does. The position reaches the settings file only when
// the run it starts is stopped or ends.
void answer(TFormPrincipal &form, const NavigationAnswer &reply) {
    if (reply.target < 0) {
        Speech().SpeakText(reply.spoken);
        return;
    }
    ReaderState &state = State();
    state.ReadPosition = reply.target;
    state.SentenceStart = reply.target;
    form.IsReading = true;
    if (!reply.spoken.isEmpty()) {
        form.LlegirFinsQueSAcabi(reply.spoken);
    }
    WaitPumping(PauseBeforeReadingMs);
    form.ReadBook();
}

void step(TFormPrincipal &form, bool forward) {
    if (form.Hooks.navigationStep) {
        answer(form, form.Hooks.navigationStep(State().SentenceStart, forward));
    }
}

// Keys that only change what another key sends (NumLock included, to reach the
// keypad's digits) leave the number alone.
bool isModifierOnly(int keyCode) {
    return keyCode == VirtualKey::Unknown || keyCode == VirtualKey::Shift ||
           keyCode == VirtualKey::Control || keyCode == VirtualKey::Menu ||
           keyCode == VirtualKey::Capital || keyCode == VirtualKey::NumLock;
}

int digitOf(int keyCode) {
    if (keyCode >= VirtualKey::Digit0 && keyCode <= VirtualKey::Digit0 + 9) {
        return keyCode - VirtualKey::Digit0;
    }
    if (keyCode >= VirtualKey::Numpad0 && keyCode <= VirtualKey::Numpad0 + 9) {
        return keyCode - VirtualKey::Numpad0;
    }
    return -1;
}

void goThere(TFormPrincipal &form, const QByteArray &digits) {
    if (digits.isEmpty() || !form.Hooks.goToNumber || form.readingRunActive()) {
        Speech().SpeakText(inActiveLanguage(Messages::GoToCancelled));
        return;
    }
    answer(form, form.Hooks.goToNumber(digits.toLongLong()));
}

} // namespace

void NavigationLevelCommand(TFormPrincipal &form) {
    if (form.Hooks.nextNavigationLevel) {
        Speech().SpeakText(form.Hooks.nextNavigationLevel());
    }
}

void NextUnitCommand(TFormPrincipal &form) {
    step(form, true);
}

void PreviousUnitCommand(TFormPrincipal &form) {
    step(form, false);
}

void WhereAmICommand(TFormPrincipal &form) {
    if (!form.Hooks.whereAmI) {
        return;
    }
    QByteArray text = form.Hooks.whereAmI(State().SentenceStart);
    if (form.Hooks.exportStatus) {
        const QByteArray exporting = form.Hooks.exportStatus();
        if (!exporting.isEmpty()) {
            text += ". " + exporting;
        }
    }
    Speech().SpeakText(text);
}

void GoToCommand(TFormPrincipal &form) {
    if (!form.Hooks.goToPrompt) {
        return;
    }
    const NavigationAnswer prompt = form.Hooks.goToPrompt();
    goToEntry() = GoToEntry{prompt.awaitsNumber, {}};
    Speech().SpeakText(prompt.spoken);
}

void NavigationHelpCommand(TFormPrincipal &) {
    Speech().SpeakText(inActiveLanguage(Messages::NavigationHelp));
}

bool takeGoToKey(TFormPrincipal &form, int keyCode) {
    GoToEntry &entry = goToEntry();
    if (!entry.active) {
        return false;
    }
    if (isModifierOnly(keyCode)) {
        return true;
    }
    if (const int digit = digitOf(keyCode); digit >= 0) {
        if (entry.digits.size() < LongestNumber) {
            entry.digits.append(char('0' + digit));
        }
        Speech().SpeakText(QByteArray::number(digit));
    } else if (keyCode == VirtualKey::Backspace) {
        if (entry.digits.isEmpty()) {
            Speech().SpeakText(inActiveLanguage(Messages::NothingToRemove));
        } else {
            Speech().SpeakText(inActiveLanguage(Messages::DigitRemoved) + entry.digits.back());
            entry.digits.chop(1);
        }
    } else if (keyCode == VirtualKey::Return) {
        const QByteArray digits = entry.digits;
        entry = GoToEntry{};
        goThere(form, digits);
    } else {
        entry = GoToEntry{};
        Speech().SpeakText(inActiveLanguage(Messages::GoToCancelled));
    }
    return true;
}
