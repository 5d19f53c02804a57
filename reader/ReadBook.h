#pragma once

#include <QtGlobal>

// The reading loop: reads the current book (State().BookPath) aloud, one sentence
// at a time, from State().ReadPosition, and keeps its saved position.
//
// Everything here runs on the user-interface thread. While a sentence is spoken
// the thread keeps dispatching events, so the main window's handlers run nested
// inside ReadBook; they end a run by clearing the IsReading flag it was given and
// disarming TimerStatusUpcTV(), and the run notices at its next test.

// One reading run. Expects State()'s BookPath, ReadPosition, SentenceStart,
// ClipboardMode and StopAfterSentence to be set and `IsReading` (the main
// window's flag, which stop keys and the loss of the foreground clear) to be
// true. Speaks nothing before the first sentence. Returns when the run has ended:
// - the book cannot be opened (missing, unreadable, not a regular file): speaks
//   the path and the cannot-open text, lower-cased (A-Z only), and changes
//   nothing else;
// - the run was stopped (IsReading cleared, or one sentence done in
//   stop-after-sentence mode, which saves the next sentence's start): silent;
// - the sleep timer's request (State().StopRequest) is due after a sentence:
//   the next sentence's start saved, the request cleared, the timer's stop
//   message spoken;
// - the end of the book, an empty book or a read failure: positions 0 and "0"
//   saved (never for the clipboard), the sleep timer's request cleared, 300 ms pause, then the end
//   message followed by State().IdleMenuText; for the clipboard, its temporary file is removed.
// Returns at once, doing nothing, when a run is already active (a run started
// from a handler nested inside another run).
void ReadBook(bool &IsReading);

// True from the moment a run starts until it has returned, its last sentence and
// its closing pause included, when IsReading is already false. Commands that
// start a run, step back or change the current book wait (or are refused) while
// it holds, so that two runs never share the book.
bool ReadingRunActive();

// For the main window's close handler, after it has cleared IsReading and
// disarmed TimerStatusUpcTV(): the run in progress, if any, ends at its next
// test without speaking, without saving a position and without changing the
// reader's state, so that what the close handler saved stands. No effect when no
// run is active.
void AbandonReadingRun();

// The previous-sentence command's step back on State(): moves ReadPosition to the
// start of the sentence before the one at SentenceStart (in stop-after-sentence
// mode, past that sentence's leading separator). Does nothing and returns true
// when SentenceStart is 0 or 1. Returns false, ReadPosition unchanged, when the
// book cannot be opened or read as far as needed, or while a run is active.
bool StepBackOneSentence();
