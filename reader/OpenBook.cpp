#include "OpenBook.h"

#include "BookFormat.h"
#include "BookSource.h"
#include "Messages.h"
#include "ReadBook.h"
#include "ReaderState.h"
#include "SettingsFile.h"
#include "TFormPrincipal.h"
#include "UnitFitxerGrafic.h"
#include "UnitUPCTV.h"

namespace {

constexpr int PauseBeforeReadingMs = 300;
// How long the opening waits for a book's text before it announces the book.
constexpr int ExtractionPatienceMs = 500;

bool openingFlag = false;

// Marks a book as being opened for as long as it exists, however the opening ends.
class OpeningBook {
public:
    OpeningBook() { openingFlag = true; }
    ~OpeningBook() { openingFlag = false; }
    OpeningBook(const OpeningBook &) = delete;
    OpeningBook &operator=(const OpeningBook &) = delete;
};

void speakCancelled() {
    const ReaderState &state = State();
    const Phrase &cancelled =
        state.BookFinished ? Messages::OpenCancelledWhenIdle : Messages::OpenCancelledWhenPaused;
    Speech().SpeakText(inActiveLanguage(cancelled) +
                       (state.BookFinished ? state.IdleMenuText : state.PauseMenuText));
}

// The chosen book becomes the current text, at its saved position. Leaving the
// clipboard's text removes its temporary file.
void makeCurrent(TFormPrincipal &form, const QString &path) {
    ReaderState &state = State();
    if (state.ClipboardMode) {
        form.removeClipboardFile();
    }
    state.BookPath = path;
    state.BookTitle = bookTitleOf(path);
    state.ClipboardMode = false;
    const qint64 position = Settings().readBookPosition(path);
    state.ReadPosition = position;
    state.SentenceStart = position;
}

// Speaks the refusal of a book that gives no text, leaving the reader as a book
// that cannot be opened does; for a book that does, moves a saved position that
// is not a sentence start of its text back to the one before it.
bool refused(TFormPrincipal &form, const QString &path, const BookText &text) {
    if (text.status != ExtractionStatus::Ok) {
        form.IsReading = true;
        speakRefusal(path, text.status);
        return true;
    }
    ReaderState &state = State();
    if (text.extracted && state.BookPath == path) {
        state.ReadPosition = sentenceStartAtOrBefore(text.path, state.ReadPosition);
        state.SentenceStart = state.ReadPosition;
    }
    return false;
}

QByteArray announcement(const QString &title) {
    return QByteArray(Messages::OpeningBookBeforeTitle) + title.toUtf8() +
           Messages::OpeningBookAfterTitle;
}

} // namespace

QString bookTitleOf(const QString &path) {
    return BookFormats::titleOf(path);
}

bool BookBeingOpened() {
    return openingFlag;
}

void MenuObrirFitxerClick(TFormPrincipal &form, TFormObrirRecurs &chooser) {
    if (ReadingRunActive() || BookBeingOpened() || form.isClosing()) {
        return;
    }
    const OpeningBook opening;
    const QString chosen = chooser.chooseBook();
    if (chosen.isEmpty()) {
        speakCancelled();
        return;
    }
    makeCurrent(form, chosen);
    // A book in another format is extracted on a worker while events go on. One
    // that is ready soon and gives no text is refused, as a book that cannot be
    // opened is, without the announcement; a large one is announced meanwhile.
    TextPreparation preparing(chosen);
    if (preparing.waitFor(ExtractionPatienceMs) && refused(form, chosen, preparing.result())) {
        return;
    }
    form.LlegirFinsQueSAcabi(announcement(State().BookTitle));
    const BookText text = preparing.result();
    if (form.isClosing() || refused(form, chosen, text)) {
        return;
    }
    // Its structure is looked up now, or found on a worker while it is read.
    if (form.Hooks.bookOpened) {
        form.Hooks.bookOpened();
    }
    WaitPumping(PauseBeforeReadingMs);
    // A close during the announcement ends the program: nothing is read then.
    if (form.isClosing()) {
        return;
    }
    form.IsReading = true;
    ReadBook(form.IsReading);
}
