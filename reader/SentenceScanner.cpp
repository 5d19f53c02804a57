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

std::optional<qint64> SentenceScanner::collectToRealBoundary(qint64 limit) {
    qint64 &position = m_readPosition;
    const qint64 lastByte = m_bookSize - 1;
    while (position < limit) {
        qint64 available = 0;
        const char *span = m_book.forwardSpan(position, available);
        if (span == nullptr) {
            return std::nullopt;
        }
        if (position == lastByte) {
            // The last byte ends the book whatever it is: no full-stop test.
            m_sentenceText.append(span[0]);
            return m_bookSize;
        }
        // Bytes before the last one may end a sentence; stop the search at it.
        const qint64 searchable = std::min({available, lastByte - position, limit - position});
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
            return std::nullopt;
        }
        m_sentenceText.append('.');
        position += 1;
        if (isSeparator(next)) {
            return position;
        }
    }
    return limit + 1;
}

ScanResult SentenceScanner::ScanSentence() {
    const qint64 from = m_readPosition;
    m_sentenceStart = from;
    m_sentenceText.resize(0); // keeps the capacity for the next sentence
    if (from < 0 || from >= m_bookSize) {
        return ScanResult::ReadError;
    }
    // Far enough to tell whether the stretch is too long and where it is cut.
    const qint64 limit =
        std::min(m_bookSize, from + SentenceBounds::Cap + SentenceBounds::MinPiece);
    const std::optional<qint64> realEnd = collectToRealBoundary(limit);
    if (!realEnd) {
        return ScanResult::ReadError;
    }
    return endOfSentence(from, *realEnd);
}

// The sentence from `from` has been collected up to `realEnd`, the next real
// boundary (or a stand-in past the search); cuts it short at a cut point before it.
ScanResult SentenceScanner::endOfSentence(qint64 from, qint64 realEnd) {
    SentenceBounds bounds(m_book, m_bookSize);
    if (!SentenceBounds::tooLong(from, realEnd)) {
        const std::optional<bool> atRealStart = bounds.isRealStart(from);
        if (!atRealStart) {
            return ScanResult::ReadError;
        }
        if (*atRealStart) { // the whole stretch was read: nothing to cut
            return realEnd == m_bookSize ? ScanResult::EndOfBook : ScanResult::Sentence;
        }
    }
    const std::optional<qint64> realStart = bounds.lastRealStart(from, from - SentenceBounds::Cap);
    if (!realStart) {
        return ScanResult::ReadError;
    }
    if (SentenceBounds::tooLong(*realStart, realEnd)) {
        const std::optional<qint64> cut = bounds.nextCut(from, *realStart, realEnd);
        if (!cut) {
            return ScanResult::ReadError;
        }
        if (*cut < realEnd) {
            m_sentenceText.truncate(*cut - from);
            m_readPosition = *cut;
            return ScanResult::Sentence;
        }
    }
    return realEnd == m_bookSize ? ScanResult::EndOfBook : ScanResult::Sentence;
}

namespace {

enum class Search { Boundary, BookStart, Floor, ReadFailed };

// Moves `p` back to the nearest full stop at or before it, not below `floor`, that
// is followed by a separator (Boundary), or to 0 when the search reaches the start
// of the book (BookStart; offset 0 is never taken for a boundary), or gives up at
// `floor` when it is above 1 (Floor). Every byte passed over must be readable.
Search findBoundaryBackwards(BookFile &book, qint64 &p, qint64 floor) {
    for (;;) {
        qint64 first = 0;
        const char *span = book.backwardSpan(p, first);
        if (span == nullptr) {
            return Search::ReadFailed;
        }
        if (p == 0) {
            return Search::BookStart;
        }
        const qint64 low = std::max({first, floor, qint64(1)}); // offset 0 is never a boundary
        const void *hit = memrchr(span + (low - first), '.', static_cast<size_t>(p - low + 1));
        if (hit == nullptr) {
            if (low == floor && floor > 1) {
                return Search::Floor;
            }
            p = low - 1;
            continue;
        }
        const qint64 fullStop = first + (static_cast<const char *>(hit) - span);
        const int next = book.byteAt(fullStop + 1);
        if (next < 0) {
            return Search::ReadFailed;
        }
        if (SentenceScanner::isSeparator(next)) {
            p = fullStop;
            return Search::Boundary;
        }
        p = fullStop - 1;
    }
}

// The last sentence start before `sentenceStart` (at least 2): the full-stop
// boundary before it, unless the stretch around it is long enough to be cut and a
// cut point lies in between.
std::optional<SentenceBounds::Start> previousStart(BookFile &book, qint64 sentenceStart) {
    constexpr qint64 Reach = SentenceBounds::Cap + SentenceBounds::MinPiece;
    SentenceBounds bounds(book, book.size());
    // SentenceStart - 1 is the full stop that ended the sentence before; start one
    // byte further back to step over that boundary.
    qint64 p = sentenceStart - 2;
    const qint64 floor = sentenceStart - 2 - Reach;
    const Search found = findBoundaryBackwards(book, p, floor);
    if (found == Search::ReadFailed) {
        return std::nullopt;
    }
    const qint64 landing = found == Search::Boundary ? p + 1 : 0;
    // With no boundary down to the floor, the floor stands in for the real start:
    // every decision below comes out as it would with the real one.
    qint64 realStart = found == Search::Floor ? floor : landing;
    if (found == Search::BookStart) {
        // A full stop at offset 0 starts a sentence at 1 for the forward scan.
        const std::optional<bool> one = bounds.isRealStart(1);
        if (!one) {
            return std::nullopt;
        }
        realStart = *one ? 1 : 0;
    }
    std::optional<qint64> realEnd = book.size();
    if (sentenceStart < book.size()) {
        realEnd = bounds.firstRealStart(sentenceStart, sentenceStart + Reach);
    }
    if (!realEnd) {
        return std::nullopt;
    }
    if (!SentenceBounds::tooLong(realStart, *realEnd)) {
        return SentenceBounds::Start{landing, true};
    }
    const std::optional<SentenceBounds::Start> cut =
        bounds.previousCut(sentenceStart, realStart, *realEnd);
    if (cut && cut->offset == realStart && found != Search::Floor) {
        return SentenceBounds::Start{landing, true};
    }
    return cut;
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
    const std::optional<SentenceBounds::Start> previous = previousStart(book, sentenceStart);
    if (!previous) {
        return false;
    }
    qint64 p = previous->offset;
    if (stopAfterSentence && p != 0 && previous->afterBlank) {
        ++p; // past the separator or blank
    }
    readPosition = p;
    return true;
}

std::optional<qint64> sentenceStartIn(BookFile &book, qint64 position) {
    if (position <= 0 || position >= book.size()) {
        return position;
    }
    // The last start before position + 1 is the last one at or before position,
    // taken one byte past the separator or blank that begins it (where a run in
    // stop-after-sentence mode resumes); a position on that first byte comes back
    // one higher, and stays: it is a start itself.
    const std::optional<SentenceBounds::Start> previous = previousStart(book, position + 1);
    if (!previous) {
        return std::nullopt;
    }
    const qint64 start = previous->offset + (previous->offset != 0 && previous->afterBlank ? 1 : 0);
    return std::min(start, position);
}
