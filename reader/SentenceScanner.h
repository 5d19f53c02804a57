#pragma once

#include "BookFile.h"
#include "SentenceBounds.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

// Sentence boundaries in a book file. A book is a plain sequence of bytes: nothing
// is decoded. A sentence ends at a full stop followed by a space, a carriage return
// or a line feed, or at the last byte of the file. The byte after such a full stop
// is the first byte of the next sentence. No sentence is longer than
// SentenceBounds::Cap bytes: a longer stretch is cut at points fixed by the bytes
// around them (see SentenceBounds.h), so that both operations read a few
// kilobytes, never the whole book, and keep that much in memory.
//
// QtCore and POSIX only, so that the scanner can be driven directly on files by
// tests and benchmarks. User-interface thread only in the program.

enum class ScanResult {
    Sentence,  // a sentence up to a full stop or a cut point; more follow
    EndOfBook, // the sentence that ends at the last byte of the book
    ReadError, // nothing readable at the position (past the end, negative, I/O error)
};

class SentenceScanner {
public:
    // The scanner moves these two positions (in the program, State()'s).
    SentenceScanner(qint64 &readPosition, qint64 &sentenceStart);

    // Opens the book afresh and takes BookSize once for the whole run.
    BookFile::OpenStatus open(const QString &path);
    void close();
    bool isOpen() const { return m_book.isOpen(); }
    qint64 BookSize() const { return m_bookSize; }
    BookFile::Identity bookIdentity() const { return m_book.identity(); }

    // Collects the sentence that starts at ReadPosition into SentenceText and
    // moves ReadPosition past it: onto the separator after its full stop or onto
    // the cut point that ends it, or, after the last sentence of the book, onto
    // the last byte. SentenceStart takes the value ReadPosition had. From any
    // position the scan ends where a scan from the start of the book would. Only
    // BookSize decides where the book ends: a position outside it, or a byte that
    // cannot be read, is a ReadError (SentenceText then holds what was read).
    ScanResult ScanSentence();
    // The bytes of the sentence last scanned, unchanged, in file order.
    const QByteArray &SentenceText() const { return m_sentenceText; }

    static bool isSeparator(int byte) { return SentenceBounds::isSeparator(byte); }

private:
    std::optional<qint64> collectToRealBoundary(qint64 limit);
    ScanResult endOfSentence(qint64 from, qint64 realEnd);

    BookFile m_book;
    qint64 m_bookSize = 0;
    qint64 &m_readPosition;
    qint64 &m_sentenceStart;
    QByteArray m_sentenceText;
};

// Finds where the sentence before the one at `sentenceStart` begins (the last
// sentence start before it), opening the book at `bookPath` for the time of the
// search, and puts it in `readPosition`: the separator after the full stop that
// ends the sentence before that one, or a cut point, or 0 at the start of the
// book; when `stopAfterSentence` is true, one byte further when that first byte
// is a separator or a blank. Offset 0 is never a full-stop boundary here. With
// `sentenceStart` below 2 nothing is done and the result is true. Reads at most a
// few kilobytes before and after `sentenceStart`.
//
// Returns false, leaving `readPosition` unchanged, when the book cannot be opened
// or read as far as needed (missing, not a regular file, shorter than
// `sentenceStart` - 1).
bool StepBackOneSentence(const QString &bookPath, qint64 sentenceStart, bool stopAfterSentence,
                         qint64 &readPosition);

// The sentence start at or before `position` in the open `book`, as the scanner
// finds sentences (see sentenceStartAtOrBefore in BookSource.h), reading a few
// kilobytes back from `position` through the book's window; `position` itself
// when it is at or past the end or not above 0; nullopt on a failed read. Lets a
// caller look up many positions in one open book.
std::optional<qint64> sentenceStartIn(BookFile &book, qint64 position);
