#pragma once

#include "BookFile.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Sentence boundaries in a book file. A book is a plain sequence of bytes: nothing
// is decoded. A sentence ends at a full stop followed by a space, a carriage return
// or a line feed, or at the last byte of the file. The byte after such a full stop
// is the first byte of the next sentence.
//
// QtCore and POSIX only, so that the scanner can be driven directly on files by
// tests and benchmarks. User-interface thread only in the program.

enum class ScanResult {
    Sentence,  // a sentence up to a full stop; more follow
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
    // moves ReadPosition past it: onto the separator after its full stop, or,
    // after the last sentence of the book, onto the last byte. SentenceStart takes
    // the value ReadPosition had. Only BookSize decides where the book ends, so a
    // position past it reads on until a read fails, which is a ReadError.
    ScanResult ScanSentence();
    // The bytes of the sentence last scanned, unchanged, in file order.
    const QByteArray &SentenceText() const { return m_sentenceText; }

    static bool isSeparator(int byte) { return byte == ' ' || byte == '\r' || byte == '\n'; }

private:
    BookFile m_book;
    qint64 m_bookSize = 0;
    qint64 &m_readPosition;
    qint64 &m_sentenceStart;
    QByteArray m_sentenceText;
};

// Finds where the sentence before the one at `sentenceStart` begins, opening the
// book at `bookPath` for the time of the search, and puts it in `readPosition`:
// the separator after the full stop that ends the sentence before that one, or
// the byte after that separator when `stopAfterSentence` is true, or 0 at the
// start of the book. Offset 0 is never a boundary. With `sentenceStart` below 2
// nothing is done and the result is true.
//
// Returns false, leaving `readPosition` unchanged, when the book cannot be opened
// or read as far as needed (missing, not a regular file, shorter than
// `sentenceStart` - 1).
bool StepBackOneSentence(const QString &bookPath, qint64 sentenceStart, bool stopAfterSentence,
                         qint64 &readPosition);
