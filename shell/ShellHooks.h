#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <functional>

class QWidget;

// What a navigation hook answers: the text to speak, and where the book goes
// then (-1: nowhere, the book stays where it is). A go-to prompt that
// `awaitsNumber` is followed by the typing of a number.
struct NavigationAnswer {
    QByteArray spoken;
    qint64 target = -1;
    bool awaitsNumber = false;
};

// What the main window needs from the libraries above the shell (the reader and
// the book chooser), which the shell may not link. app/main.cpp fills these in
// before start-up; tests fill in what they need. Every hook is called on the
// user-interface thread; an empty hook does nothing (the call is skipped), so the
// shell works, minus those features, with none of them set.
struct ShellHooks {
    // Start-up step 4: create the book chooser window FormObrirRecurs, right after
    // the about box. `mainWindow` is the main window, for use as the parent; the
    // chooser lives until the program ends.
    std::function<void(QWidget *mainWindow)> createBookChooser;

    // MenuObrirFitxerClick: the book chooser, then the reading of the chosen book,
    // or the spoken cancellation. Runs from the context menu and from the O key;
    // it may start a reading run, so it returns when that run has ended.
    std::function<void()> openBook;

    // ReadBook: the reading run from ReadPosition. `isReading` is the main
    // window's IsReading flag, which the run tests after every wait and clears
    // when it ends; returns when the run has ended.
    std::function<void(bool &isReading)> readBook;

    // StepBackOneSentence: moves ReadPosition back to the start of the previous
    // sentence of BookPath.
    std::function<void()> stepBackOneSentence;

    // Removes the clipboard's private temporary file, if there is one; a missing
    // file is no error. Called by the exit (and by whoever else needs it).
    std::function<void()> removeClipboardFile;

    // Whether a reading run is still going on or unwinding (its last sentence, the
    // pause inside a stop key), or a book is being opened: a command that would
    // start a run or step back is refused meanwhile, so that runs never nest.
    std::function<bool()> readingRunActive;

    // For the close handler, once it has ended the waits: the run in progress, if
    // any, unwinds without speaking or saving anything more.
    std::function<void()> abandonReadingRun;

    // Navigation in the current book (navigation/NavigationWiring.cpp). Each
    // speaks nothing itself and moves nothing: it answers, and the key's command
    // speaks and moves.
    // A book has become the current text (its text is ready): its structure is
    // looked up, or found on a worker thread.
    std::function<void()> bookOpened;
    // N: the next navigation level of the book; answers its name.
    std::function<QByteArray()> nextNavigationLevel;
    // Page Down (forward) / Page Up: the next or previous unit of the level from
    // the sentence start `from`; the target is -1 at the last or first unit.
    std::function<NavigationAnswer(qint64 from, bool forward)> navigationStep;
    // I: where the book stands at `from` (title, heading, page, share, time left).
    std::function<QByteArray(qint64 from)> whereAmI;
    // G: the prompt (a page number, or a percentage without pages), or why not.
    std::function<NavigationAnswer()> goToPrompt;
    // G, then Enter: the target of the number typed, or the spoken refusal.
    std::function<NavigationAnswer(qint64 number)> goToNumber;
    // The offset of the next top-level heading after `from`; -1 when there is
    // none or the structure is not known yet (the sleep timer's end of a chapter).
    std::function<qint64(qint64 from)> nextChapterStart;

    // X (F9) with a book paused: exports the current book to audio files in the
    // background, or, while an export runs, says how far it is. Speaks for itself.
    std::function<void()> exportBook;
    // The progress of the export running in the background, as a spoken text in
    // the active language; empty when none runs. Where am I appends it.
    std::function<QByteArray()> exportStatus;
};
