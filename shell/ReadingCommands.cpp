// The commands of the main window that start a reading run: continue, previous
// sentence, restart, open a book and read the clipboard. The key handler runs
// them only when no run is active or unwinding (KeyCommands.cpp), and each
// returns once its run has ended.
#include "ClipboardFile.h"
#include "KeyCommands.h"
#include "Messages.h"
#include "ReaderState.h"
#include "TFormPrincipal.h"
#include "UnitUPCTV.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

constexpr int PauseBeforeReadingMs = 200;
constexpr int PauseBeforeClipboardMs = 300;

// The clipboard's text as UTF-8 bytes, line breaks as they are; empty when the
// clipboard holds no text.
QByteArray clipboardText() {
    const QClipboard *clipboard = QGuiApplication::clipboard();
    return clipboard != nullptr ? clipboard->text().toUtf8() : QByteArray();
}

} // namespace

void ContinueCommand(TFormPrincipal &form) {
    form.IsReading = true;
    const ReaderState &state = State();
    if (!state.StopAfterSentence) {
        form.LlegirFinsQueSAcabi(inActiveLanguage(Messages::ContinueReading) +
                                 state.BookTitle.toUtf8());
    }
    WaitPumping(PauseBeforeReadingMs);
    form.ReadBook();
}

// A step back that fails (the book gone or shorter than the position) leaves the
// position alone; the run that follows then meets the same fault and says so in
// its own way (the cannot-open message, or the end of the book).
void PreviousSentenceCommand(TFormPrincipal &form) {
    form.IsReading = true;
    form.StepBackOneSentence();
    form.LlegirFinsQueSAcabi(inActiveLanguage(State().StopAfterSentence
                                                  ? Messages::RepeatPreviousSentence
                                                  : Messages::ContinueAtPreviousSentence));
    WaitPumping(PauseBeforeReadingMs);
    form.ReadBook();
}

void RestartCommand(TFormPrincipal &form) {
    form.IsReading = true;
    State().ReadPosition = 0;
    State().SentenceStart = 0;
    form.LlegirFinsQueSAcabi(inActiveLanguage(Messages::RestartBook));
    WaitPumping(PauseBeforeReadingMs);
    form.ReadBook();
}

void OpenBookCommand(TFormPrincipal &form) {
    Speech().upcTVStop();
    form.removeClipboardFile();
    form.IsReading = false;
    form.MenuObrirFitxerClick();
}

// The text goes to a private temporary file first; only once it is safely there
// does the clipboard become the current text. A file that cannot be made is said
// as a text that cannot be opened, and nothing else changes: the earlier book (or
// clipboard text) can still be continued.
void ClipboardCommand(TFormPrincipal &form) {
    const QString path = TheClipboardFile().replace(clipboardText());
    if (path.isEmpty()) {
        Speech().SpeakText(lowerAsciiLetters(QByteArray(Messages::ClipboardFileName) +
                                             inActiveLanguage(Messages::CannotOpenBook)));
        return;
    }
    form.IsReading = true;
    ReaderState &state = State();
    state.BookTitle = QString::fromUtf8(Messages::ClipboardTitle);
    state.ClipboardMode = true;
    state.BookPath = path;
    state.ReadPosition = 0;
    state.SentenceStart = 0;
    form.LlegirFinsQueSAcabi(inActiveLanguage(Messages::ReadClipboard));
    WaitPumping(PauseBeforeClipboardMs);
    form.ReadBook();
}
