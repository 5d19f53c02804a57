#pragma once

#include "BookFile.h"

#include <QtGlobal>

#include <optional>

// Where sentences start in a book, found by reading only a few kilobytes around a
// position, forwards or backwards, whatever the size of the book.
//
// A sentence starts at offset 0, after a full stop followed by a separator (a real
// boundary: the separator is the first byte of the next sentence), and at cut
// points. Cut points exist only inside a stretch between two real boundaries (or
// the book's start and end) that is longer than Cap bytes, so that no sentence is
// longer than Cap; a book without such a stretch has none.
//
// Cut points are fixed by the bytes around them, never by where a scan began: the
// candidates sit at fixed offsets, one per grid point g (every CutSpacing bytes
// from the start of the book). The candidate of g is the last blank (space, tab,
// carriage return, line feed) in the BlankReach bytes up to g, which begins the
// next sentence; with none there, g itself, moved back to the first byte of a UTF-8
// character when g falls inside one. A candidate is a cut point when its stretch is
// longer than Cap and it is at least MinPiece bytes from both ends of the stretch.
// So a scan from any offset and a step back from any sentence start find the same
// sentence starts, and each needs at most about Cap + MinPiece bytes on either side.
//
// The constants make every sentence at most Cap bytes long: between two cut points
// of consecutive grid points lie less than CutSpacing + BlankReach bytes, and next
// to a real boundary less than CutSpacing + BlankReach + MinPiece.
class SentenceBounds {
public:
    static constexpr qint64 Cap = 4096;
    static constexpr qint64 CutSpacing = 3072;
    static constexpr qint64 BlankReach = 512;
    static constexpr qint64 MinPiece = 256;
    static_assert(CutSpacing + BlankReach + 2 * MinPiece <= Cap);
    static_assert(BlankReach > 3 && BlankReach < CutSpacing);

    struct Start {
        qint64 offset = 0;
        bool afterBlank = false; // its first byte is a separator or a blank
    };

    // `bookSize` is the size the caller works with; no byte at or past it is read.
    SentenceBounds(BookFile &book, qint64 bookSize) : m_book(book), m_size(bookSize) {}

    static bool isSeparator(int byte) { return byte == ' ' || byte == '\r' || byte == '\n'; }
    static bool isBlank(int byte) { return isSeparator(byte) || byte == '\t'; }

    // Whether a real boundary starts a sentence at `offset` (0 included); nullopt
    // when a byte cannot be read.
    std::optional<bool> isRealStart(qint64 offset);
    // The last real sentence start in [floor, at]; floor - 1 when there is none
    // there (which every decision below treats as "far before"); nullopt on a
    // failed read.
    std::optional<qint64> lastRealStart(qint64 at, qint64 floor);
    // The first real sentence start in [from, limit]; m_size when the book ends
    // first, limit + 1 when there is none there; nullopt on a failed read.
    std::optional<qint64> firstRealStart(qint64 from, qint64 limit);

    // The first cut point after `after`, inside the stretch from the real start
    // `realStart` to the next one `realEnd` (both possibly stand-ins as above), or
    // realEnd when there is none before it. nullopt on a failed read.
    std::optional<qint64> nextCut(qint64 after, qint64 realStart, qint64 realEnd);
    // The last cut point before `before` in the same kind of stretch, or realStart.
    std::optional<Start> previousCut(qint64 before, qint64 realStart, qint64 realEnd);

    // Whether the stretch between two real starts must be cut.
    static bool tooLong(qint64 realStart, qint64 realEnd) { return realEnd - realStart > Cap; }

private:
    std::optional<Start> candidate(qint64 gridPoint);
    static bool usable(const Start &cut, qint64 realStart, qint64 realEnd) {
        return cut.offset - realStart >= MinPiece && realEnd - cut.offset >= MinPiece;
    }

    BookFile &m_book;
    qint64 m_size;
};
