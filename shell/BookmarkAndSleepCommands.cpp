// The commands of the main window that mark the book and set the sleep timer.
// Both act where C does, with a book to continue and no run reading; the key
// handler has silenced the speech before them.
#include "BookmarkFile.h"
#include "KeyCommands.h"
#include "Messages.h"
#include "ReaderState.h"
#include "SleepTimer.h"
#include "TFormPrincipal.h"
#include "UnitUPCTV.h"

namespace {

QByteArray bookmarkAnswer(const BookmarkFile::Toggled &toggled) {
    using Change = BookmarkFile::Change;
    switch (toggled.change) {
    case Change::Added:
    case Change::Removed:
        return inActiveLanguage(Messages::BookmarkNumber) + QByteArray::number(toggled.number) +
               inActiveLanguage(toggled.change == Change::Added ? Messages::BookmarkAdded
                                                                : Messages::BookmarkRemoved);
    case Change::Full:
        return inActiveLanguage(Messages::BookmarksFull);
    case Change::Failed:
        break;
    }
    return inActiveLanguage(Messages::BookmarkNotSaved);
}

QByteArray sleepChoiceText(int choice, const std::function<qint64(qint64)> &nextChapterStart) {
    if (choice > 0) {
        return inActiveLanguage(Messages::SleepTimerMinutesBefore) + QByteArray::number(choice) +
               inActiveLanguage(Messages::SleepTimerMinutesAfter);
    }
    if (choice == SleepTimer::EndOfChapter) {
        const bool chapterFollows = nextChapterStart && nextChapterStart(State().ReadPosition) >= 0;
        return inActiveLanguage(chapterFollows ? Messages::SleepTimerEndOfChapter
                                               : Messages::SleepTimerNoChapter);
    }
    return inActiveLanguage(Messages::SleepTimerOff);
}

} // namespace

// The mark goes where C would read on from: the start of the sentence at which
// the book stands.
void BookmarkCommand(TFormPrincipal &form) {
    const ReaderState &state = State();
    if (state.ClipboardMode) {
        Speech().SpeakText(inActiveLanguage(Messages::ClipboardHasNoBookmarks));
        return;
    }
    Speech().SpeakText(bookmarkAnswer(form.Bookmarks.toggle(state.BookPath, state.ReadPosition)));
}

void SleepTimerCommand(TFormPrincipal &form) {
    const int choice = form.Sleep.cycle(form.Hooks.nextChapterStart);
    Speech().SpeakText(sleepChoiceText(choice, form.Hooks.nextChapterStart));
}

std::vector<qint64> bookmarksOfCurrentBook(const BookmarkFile &file) {
    const ReaderState &state = State();
    if (state.ClipboardMode || state.BookPath.isEmpty()) {
        return {};
    }
    return file.bookmarksOf(state.BookPath);
}
