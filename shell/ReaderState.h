#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

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
};

// The one instance the program uses.
ReaderState &State();
