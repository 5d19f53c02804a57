#include "ReadBook.h"

#include "BookSource.h"
#include "Messages.h"
#include "ReaderState.h"
#include "RecordedPhrases.h"
#include "SentenceScanner.h"
#include "SettingsFile.h"
#include "SpeakAndWait.h"
#include "UnitUPCTV.h"

#include <QFile>

namespace {

constexpr int PauseBeforeEndMessageMs = 300;

struct RunFlags {
    bool active = false;
    bool abandoned = false;
};

RunFlags &runFlags() {
    static RunFlags flags;
    return flags;
}

// Marks a run as active for as long as it exists, however the run returns.
class ActiveRun {
public:
    ActiveRun() { runFlags() = RunFlags{true, false}; }
    ~ActiveRun() { runFlags() = RunFlags{}; }
    ActiveRun(const ActiveRun &) = delete;
    ActiveRun &operator=(const ActiveRun &) = delete;
    bool abandoned() const { return runFlags().abandoned; }
};

// The text a run reads, as it was when the run began. The positions the run
// saves and the file it removes are this text's, even if a handler nested in the
// run has made another text current meanwhile.
struct RunBook {
    QString path;
    bool clipboard = false;
    BookFile::Identity identity;
    RecordedPhrases *units = nullptr; // what reads each sentence: speech or recording
};

// How many sentences stepping back crosses inside one phrase of a narrated book
// at most, so that a hostile book cannot make one key press read it all.
constexpr int MaxStepsInsideAPhrase = 1000;

enum class RunEnd { Stopped, BookEnded, Abandoned };

void savePosition(const RunBook &book, qint64 position) {
    if (!book.clipboard && !book.path.isEmpty()) {
        Settings().writeBookPosition(book.path, position); // a failed write is ignored
    }
}

// The clipboard's text lives in a private file whose path is never spoken: the
// user hears the clipboard's own name.
QString spokenName(const QString &path, bool clipboard) {
    return clipboard ? QString::fromUtf8(Messages::ClipboardFileName) : path;
}

// Where the sleep timer's "end of this chapter" ends a run that starts now: the
// next chapter's start, -1 for none.
qint64 chapterEndOfRun() {
    const ReaderState &state = State();
    return state.StopRequest.chapterEnd ? state.StopRequest.chapterEnd(state.ReadPosition) : -1;
}

// After a sentence that is not the book's last: in stop-after-sentence mode, or
// when the sleep timer asks, the run ends with the next sentence's start saved.
// The timer's stop is honoured only while the run is still reading (a stop key
// has spoken the menu otherwise) and says that the timer stopped the reading.
void stopIfAsked(bool &IsReading, const RunBook &book, qint64 chapterEnd) {
    ReaderState &state = State();
    const bool sleepStop = IsReading && (state.StopRequest.now ||
                                         (chapterEnd >= 0 && state.ReadPosition >= chapterEnd));
    if (!state.StopAfterSentence && !sleepStop) {
        return;
    }
    state.SentenceStart = state.ReadPosition; // the next sentence's start
    savePosition(book, state.SentenceStart);
    IsReading = false;
    if (sleepStop) {
        state.StopRequest = {};
        Speech().SpeakText(inActiveLanguage(Messages::SleepTimerStopped));
    }
}

// Speaks sentence after sentence for as long as IsReading holds. A read failure
// counts as the end of the book; the sentence being collected is not spoken.
RunEnd readSentences(SentenceScanner &scanner, bool &IsReading, const RunBook &book,
                     const ActiveRun &run) {
    ReaderState &state = State();
    state.BookFinished = false;
    const qint64 chapterEnd = chapterEndOfRun();
    while (IsReading) {
        const ScanResult result = scanner.ScanSentence();
        if (result != ScanResult::Sentence) {
            // Set before the last sentence is spoken, so that the handlers that run
            // meanwhile treat every key as a command of an idle reader.
            state.BookFinished = true;
            IsReading = false;
        }
        if (result == ScanResult::ReadError) {
            return RunEnd::BookEnded;
        }
        const bool read =
            book.units->readUnit(scanner.SentenceText(), state.SentenceStart, state.ReadPosition);
        if (run.abandoned()) {
            return RunEnd::Abandoned;
        }
        // After the last sentence the loop ends even if a nested handler has set
        // IsReading again for a run of its own.
        if (result == ScanResult::EndOfBook) {
            return RunEnd::BookEnded;
        }
        if (read) { // the rest of a phrase already heard is no unit to stop after
            stopIfAsked(IsReading, book, chapterEnd);
        }
    }
    return RunEnd::Stopped;
}

// The end of the book, an empty book or a failure: back to the start, then the
// end message with the idle menu.
void endOfBook(const RunBook &book, const ActiveRun &run) {
    ReaderState &state = State();
    // A handler nested in the last sentence may have made another text current;
    // its positions are not this run's to reset.
    if (state.BookPath == book.path) {
        state.ReadPosition = 0;
        state.SentenceStart = 0;
    }
    savePosition(book, 0);
    state.StopRequest = {}; // the end of the book is the end of every chapter
    WaitPumping(PauseBeforeEndMessageMs);
    if (run.abandoned() || state.BookPath != book.path) {
        return;
    }
    const Phrase &ended = book.clipboard ? Messages::ClipboardEnded : Messages::BookEnded;
    Speech().SpeakText(inActiveLanguage(ended) + state.IdleMenuText);
    // The clipboard's temporary file, unless it has been replaced meanwhile.
    if (book.clipboard && book.identity.valid && BookFile::identityOf(book.path) == book.identity) {
        QFile::remove(book.path);
    }
}

} // namespace

void ReadBook(bool &IsReading) {
    if (runFlags().active) {
        return;
    }
    const ActiveRun run;
    ReaderState &state = State();
    SentenceScanner scanner(state.ReadPosition, state.SentenceStart);
    const QString name = spokenName(state.BookPath, state.ClipboardMode);
    const BookText text = textForReading(state.BookPath, state.ClipboardMode);
    if (text.status != ExtractionStatus::Ok) {
        speakRefusal(name, text.status);
        return;
    }
    if (scanner.open(text.path) != BookFile::OpenStatus::Opened) {
        speakRefusal(name, ExtractionStatus::CannotOpen);
        return;
    }
    RecordedPhrases units(text);
    const RunBook book{state.BookPath, state.ClipboardMode, scanner.bookIdentity(), &units};
    RunEnd end = RunEnd::BookEnded;
    if (scanner.BookSize() == 0) {
        state.BookFinished = true;
        IsReading = false;
    } else {
        end = readSentences(scanner, IsReading, book, run);
    }
    scanner.close();
    if (end == RunEnd::BookEnded) {
        endOfBook(book, run);
    }
}

bool ReadingRunActive() {
    return runFlags().active;
}

void AbandonReadingRun() {
    if (runFlags().active) {
        runFlags().abandoned = true;
    }
}

bool StepBackOneSentence() {
    if (ReadingRunActive()) {
        return false;
    }
    ReaderState &state = State();
    const BookText text = textForReading(state.BookPath, state.ClipboardMode);
    if (text.status != ExtractionStatus::Ok) {
        return false;
    }
    // In a narrated book a sentence inside a phrase that began before it plays
    // nothing, so the step goes on back to the sentence where that phrase begins.
    const RecordedPhrases units(text);
    qint64 from = state.SentenceStart;
    for (int step = 0; units.recorded() && step < MaxStepsInsideAPhrase; ++step) {
        qint64 before = from;
        if (!StepBackOneSentence(text.path, from, false, before)) {
            return false;
        }
        if (before >= from || !units.continuesPhrase(before, from)) {
            break;
        }
        from = before;
    }
    return StepBackOneSentence(text.path, from, state.StopAfterSentence, state.ReadPosition);
}
