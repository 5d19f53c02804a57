#include "SentenceScanner.h"

#include <algorithm>
#include <cstring>

SentenceScanner::SentenceScanner(qint64 &readPosition, qint64 &sentenceStart)
    : m_readPosition(readPosition), m_sentenceStart(sentenceStart) {}

BookFile::OpenStatus SentenceScanner::open(const QString &path) {
    const BookFile::OpenStatus status = m_book.open(path);
    m_bookSize = m_book.size();
    return status;
}

void SentenceScanner::close() {
    m_book.close();
    m_bookSize = 0;
}

ScanResult SentenceScanner::ScanSentence() {
    qint64 &position = m_readPosition;
    m_sentenceStart = position;
    m_sentenceText.resize(0); // keeps the capacity for the next sentence
    const qint64 lastByte = m_bookSize - 1;
    for (;;) {
        qint64 available = 0;
        const char *span = m_book.forwardSpan(position, available);
        if (span == nullptr) {
            return ScanResult::ReadError;
        }
        if (position == lastByte) {
            // The last byte ends the book whatever it is: no full-stop test.
            m_sentenceText.append(span[0]);
            return ScanResult::EndOfBook;
        }
        // Bytes before the last one may end a sentence; stop the search at it.
        const qint64 searchable =
            position < lastByte ? std::min(available, lastByte - position) : available;
        const auto *fullStop =
            static_cast<const char *>(std::memchr(span, '.', static_cast<size_t>(searchable)));
        if (fullStop == nullptr) {
            m_sentenceText.append(span, searchable);
            position += searchable;
            continue;
        }
        const qint64 beforeFullStop = fullStop - span;
        m_sentenceText.append(span, beforeFullStop);
        position += beforeFullStop;
        // The look-ahead may move the read window: `span` is not used after it.
        const int next = m_book.byteAt(position + 1);
        if (next < 0) {
            return ScanResult::ReadError;
        }
        m_sentenceText.append('.');
        position += 1;
        if (isSeparator(next)) {
            return ScanResult::Sentence;
        }
    }
}

namespace {

// Moves `p` back to the nearest full stop at or before it that is followed by a
// separator, or to 0. Every byte passed over must be readable.
bool findBoundaryBackwards(BookFile &book, qint64 &p) {
    for (;;) {
        qint64 first = 0;
        const char *span = book.backwardSpan(p, first);
        if (span == nullptr) {
            return false;
        }
        if (p == 0) {
            return true;
        }
        const qint64 low = std::max<qint64>(first, 1); // offset 0 is never a boundary
        const void *hit = memrchr(span + (low - first), '.', static_cast<size_t>(p - low + 1));
        if (hit == nullptr) {
            p = low - 1;
            continue;
        }
        const qint64 fullStop = first + (static_cast<const char *>(hit) - span);
        const int next = book.byteAt(fullStop + 1);
        if (next < 0) {
            return false;
        }
        if (SentenceScanner::isSeparator(next)) {
            p = fullStop;
            return true;
        }
        p = fullStop - 1;
    }
}

} // namespace

bool StepBackOneSentence(const QString &bookPath, qint64 sentenceStart, bool stopAfterSentence,
                         qint64 &readPosition) {
    if (sentenceStart < 2) {
        return true; // the book is not even opened
    }
    BookFile book;
    if (book.open(bookPath) != BookFile::OpenStatus::Opened) {
        return false;
    }
    // SentenceStart - 1 is the full stop that ended the sentence before; start one
    // byte further back to step over that boundary.
    qint64 p = sentenceStart - 2;
    if (!findBoundaryBackwards(book, p)) {
        return false;
    }
    if (p > 0) {
        ++p; // onto the separator after the full stop
    }
    if (stopAfterSentence && p != 0) {
        ++p; // past the separator
    }
    readPosition = p;
    return true;
}
