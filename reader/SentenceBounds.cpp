#include "SentenceBounds.h"

#include <algorithm>
#include <cstring>

namespace {

bool isContinuationByte(int byte) {
    return (byte & 0xC0) == 0x80;
}

} // namespace

std::optional<bool> SentenceBounds::isRealStart(qint64 offset) {
    if (offset == 0) {
        return true;
    }
    if (offset < 0 || offset >= m_size) {
        return false;
    }
    const int before = m_book.byteAt(offset - 1);
    if (before != '.') {
        return before >= 0 ? std::optional<bool>(false) : std::nullopt;
    }
    const int at = m_book.byteAt(offset);
    return at >= 0 ? std::optional<bool>(isSeparator(at)) : std::nullopt;
}

std::optional<qint64> SentenceBounds::lastRealStart(qint64 at, qint64 floor) {
    floor = std::max<qint64>(floor, 0);
    // A real start s follows a full stop at s - 1: search the full stops backwards.
    qint64 p = std::min(at, m_size - 1) - 1;
    while (p >= floor - 1 && p >= 0) {
        qint64 first = 0;
        const char *span = m_book.backwardSpan(p, first);
        if (span == nullptr) {
            return std::nullopt;
        }
        const qint64 low = std::max(first, std::max<qint64>(floor - 1, 0));
        const void *hit = memrchr(span + (low - first), '.', static_cast<size_t>(p - low + 1));
        if (hit == nullptr) {
            p = low - 1;
            continue;
        }
        const qint64 fullStop = first + (static_cast<const char *>(hit) - span);
        const int next = m_book.byteAt(fullStop + 1);
        if (next < 0) {
            return std::nullopt;
        }
        if (isSeparator(next)) {
            return fullStop + 1;
        }
        p = fullStop - 1;
    }
    return floor == 0 ? 0 : floor - 1;
}

std::optional<qint64> SentenceBounds::firstRealStart(qint64 from, qint64 limit) {
    if (from <= 0) {
        return 0;
    }
    // Full stops from - 1 to limit - 1; the last one that can end a sentence is at
    // m_size - 2.
    const qint64 lastFullStop = std::min(limit - 1, m_size - 2);
    qint64 p = from - 1;
    while (p <= lastFullStop) {
        qint64 available = 0;
        const char *span = m_book.forwardSpan(p, available);
        if (span == nullptr) {
            return std::nullopt;
        }
        const qint64 searchable = std::min(available, lastFullStop - p + 1);
        const void *hit = std::memchr(span, '.', static_cast<size_t>(searchable));
        if (hit == nullptr) {
            p += searchable;
            continue;
        }
        const qint64 fullStop = p + (static_cast<const char *>(hit) - span);
        const int next = m_book.byteAt(fullStop + 1);
        if (next < 0) {
            return std::nullopt;
        }
        if (isSeparator(next)) {
            return fullStop + 1;
        }
        p = fullStop + 1;
    }
    return limit >= m_size - 1 ? m_size : limit + 1;
}

std::optional<SentenceBounds::Start> SentenceBounds::candidate(qint64 gridPoint) {
    for (qint64 at = std::min(gridPoint, m_size - 1); at > gridPoint - BlankReach; --at) {
        const int byte = m_book.byteAt(at);
        if (byte < 0) {
            return std::nullopt;
        }
        if (isBlank(byte)) {
            return Start{at, true};
        }
    }
    if (gridPoint >= m_size) {
        return Start{gridPoint, false}; // past the book: never a cut point
    }
    // No blank: the grid point itself, or the first byte of the character it is in.
    for (qint64 at = gridPoint; at >= gridPoint - 3; --at) {
        const int byte = m_book.byteAt(at);
        if (byte < 0) {
            return std::nullopt;
        }
        if (!isContinuationByte(byte)) {
            return Start{at, false};
        }
    }
    return Start{gridPoint, false}; // not UTF-8 there: any byte will do
}

std::optional<qint64> SentenceBounds::nextCut(qint64 after, qint64 realStart, qint64 realEnd) {
    for (qint64 grid = (after / CutSpacing + 1) * CutSpacing; grid - BlankReach + 1 < realEnd;
         grid += CutSpacing) {
        const std::optional<Start> cut = candidate(grid);
        if (!cut) {
            return std::nullopt;
        }
        if (cut->offset <= after) {
            continue;
        }
        if (realEnd - cut->offset < MinPiece) {
            break; // so are all later candidates
        }
        if (usable(*cut, realStart, realEnd)) {
            return cut->offset;
        }
    }
    return realEnd;
}

std::optional<SentenceBounds::Start> SentenceBounds::previousCut(qint64 before, qint64 realStart,
                                                                 qint64 realEnd) {
    // Candidates lie after their grid point less BlankReach.
    for (qint64 grid = (before + BlankReach - 2) / CutSpacing * CutSpacing;
         grid > 0 && grid - realStart >= MinPiece; grid -= CutSpacing) {
        const std::optional<Start> cut = candidate(grid);
        if (!cut) {
            return std::nullopt;
        }
        if (cut->offset < before && usable(*cut, realStart, realEnd)) {
            return cut;
        }
    }
    return Start{realStart, true};
}
