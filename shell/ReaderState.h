#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

// The reader's process-wide state, in one place for every module. The speaking
// speed and the language flag belong to the speech service (Speech()); the flags
// IsReading and ExitAnnounced are fields of the main window.
struct ReaderState {
    // The current text's file, also its key in the settings file; the clipboard's
    // private temporary file while ClipboardMode is true.
    QString BookPath;
    // Spoken title: the file name less its last four characters; "Carpeta" for
    // the clipboard.
    QString BookTitle;
    // Byte offset of the next byte the scanner reads.
    qint64 ReadPosition = 0;
    // Start of the sentence being read: the position saved for the book.
    qint64 SentenceStart = 0;
    // There is nothing to continue (start, end of a book, empty book, failure).
    bool BookFinished = true;
    // Reading mode: stop after every sentence instead of reading on.
    bool StopAfterSentence = false;
    // The current text is the clipboard's; no position is ever saved.
    bool ClipboardMode = false;
    // The two spoken menus, in the active language (built at start-up).
    QByteArray PauseMenuText;
    QByteArray IdleMenuText;
    // The book chooser's result; empty when nothing was chosen.
    QString ChosenBookPath;

    // The sleep timer's request (SleepTimer.h) that a reading run end after a
    // sentence, which the run honours after each one as after Enter (the next
    // sentence's start saved), saying that the timer stopped it. Cleared by the
    // run that honours it and by the end of the book.
    struct ReadingStopRequest {
        // The time has run out: end after the sentence being spoken.
        bool now = false;
        // For "the end of this chapter": given where a run starts, the offset of
        // the next chapter, before which the run ends (-1: none, read on).
        std::function<qint64(qint64 from)> chapterEnd;
    };
    ReadingStopRequest StopRequest;
};

// The one instance the program uses.
ReaderState &State();
