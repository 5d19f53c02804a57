#pragma once

#include <QByteArray>

#include <functional>

class QWidget;

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

    // X (F9) with a book paused: exports the current book to audio files in the
    // background, or, while an export runs, says how far it is. Speaks for itself.
    std::function<void()> exportBook;

    // The progress of the export running in the background, as a spoken text in
    // the active language; empty when none runs. Where am I appends it.
    std::function<QByteArray()> exportStatus;
};
