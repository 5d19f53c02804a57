// Fuzz target: the sentence scanner and the step back over any book.
//
// Input: one control byte, then the book's bytes. The control byte chooses
//   bits 6-7    both set: pad the book with filler so that its bytes straddle the
//               edge of the first read window (the low 6 bits place the edge);
//               only bit 7 set: repeat the book's bytes until it is a few times
//               longer than the sentence cap, so that its stretches get cut;
//   bits 0-1    a change made to the file after it was opened: 1 truncated (bits
//               2-5 say where), 2 grown by junk, otherwise none;
// and is also the scan's starting point for the mid-sentence check.
//
// Properties:
// - read forwards from 0, the sentences concatenate to the book exactly, the last
//   one ends the book and every other one ends with ". ", ".\r" or ".\n" after
//   its full stop, or at a cut point: no sentence is longer than the cap, every
//   full-stop boundary starts a sentence, and a cut point lies only in a stretch
//   longer than the cap, at least the shortest piece from its ends, at the last
//   blank up to its grid point or, with none there, at the grid point or the start
//   of the UTF-8 character there;
// - from any offset, one scan reads up to the next sentence start;
// - stepping back from every sentence start (the first and last few of a padded
//   or repeated book, and those around its cut points) lands on the previous
//   start, one past it in stop-after-sentence mode when that byte is a separator
//   or a blank (0 stays 0; offset 0 is never a boundary), and a scan from there
//   reads up to the next start;
// - a file truncated after opening reads a prefix of itself and then fails; one
//   grown after opening reads its old size and no more;
// - no read outside a buffer (AddressSanitizer).
// The book lives in a memfd, named through /proc/self/fd, so nothing touches disk.
#include "BookFile.h"
#include "FuzzCheck.h"
#include "SentenceBounds.h"
#include "SentenceScanner.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

enum class Change { None, Truncated, Grown };

// A memfd holding the book, closed with the object.
class MemoryBook {
public:
    explicit MemoryBook(const QByteArray &bytes) : m_fd(::memfd_create("book", MFD_CLOEXEC)) {
        FUZZ_CHECK(m_fd >= 0);
        FUZZ_CHECK(::pwrite(m_fd, bytes.constData(), size_t(bytes.size()), 0) == bytes.size());
    }
    ~MemoryBook() { ::close(m_fd); }
    MemoryBook(const MemoryBook &) = delete;
    MemoryBook &operator=(const MemoryBook &) = delete;
    QString path() const { return QStringLiteral("/proc/self/fd/%1").arg(m_fd); }
    void truncate(qint64 size) const { FUZZ_CHECK(::ftruncate(m_fd, size) == 0); }
    void append(const QByteArray &bytes, qint64 at) const {
        FUZZ_CHECK(::pwrite(m_fd, bytes.constData(), size_t(bytes.size()), at) == bytes.size());
    }

private:
    int m_fd;
};

bool endsSentence(const QByteArray &book, qint64 fullStop) {
    if (fullStop < 0 || fullStop + 1 >= book.size() || book[fullStop] != '.') {
        return false;
    }
    return SentenceScanner::isSeparator(static_cast<unsigned char>(book[fullStop + 1]));
}

bool isBlank(char byte) {
    return SentenceBounds::isBlank(static_cast<unsigned char>(byte));
}

bool isContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The sentence starts that full-stop boundaries make, 0 first.
QList<qint64> realStarts(const QByteArray &book) {
    QList<qint64> starts{0};
    for (qint64 fullStop = 0; fullStop + 1 < book.size(); ++fullStop) {
        if (endsSentence(book, fullStop)) {
            starts.append(fullStop + 1);
        }
    }
    return starts;
}

// Whether a sentence may start at `x` without a full stop before it: inside a
// stretch longer than the cap, far enough from its ends, at the last blank up to
// its grid point or, with none there, at the start of the character at it.
bool isCutPoint(const QByteArray &book, const QList<qint64> &real, qint64 x) {
    using B = SentenceBounds;
    const auto after = std::upper_bound(real.cbegin(), real.cend(), x);
    const qint64 r = *std::prev(after);
    const qint64 n = after == real.cend() ? book.size() : *after;
    if (n - r <= B::Cap || x - r < B::MinPiece || n - x < B::MinPiece) {
        return false;
    }
    const qint64 grid = (x + B::CutSpacing - 1) / B::CutSpacing * B::CutSpacing;
    if (grid - x >= B::BlankReach) {
        return false;
    }
    for (qint64 at = std::min(grid, book.size() - 1); at > grid - B::BlankReach; --at) {
        if (isBlank(book[at])) {
            return at == x;
        }
    }
    if (grid >= book.size()) {
        return false;
    }
    qint64 start = grid;
    while (start > grid - 3 && isContinuation(book[start])) {
        --start;
    }
    return x == (isContinuation(book[start]) ? grid : start);
}

// Reads the whole book from 0; returns every sentence start (0 first).
QList<qint64> scanForwards(const MemoryBook &file, const QByteArray &book,
                           const QList<qint64> &real) {
    qint64 readPosition = 0;
    qint64 sentenceStart = 0;
    SentenceScanner scanner(readPosition, sentenceStart);
    FUZZ_CHECK(scanner.open(file.path()) == BookFile::OpenStatus::Opened);
    FUZZ_CHECK(scanner.BookSize() == book.size());
    QList<qint64> starts;
    QByteArray joined;
    for (;;) {
        const qint64 before = readPosition;
        const ScanResult result = scanner.ScanSentence();
        if (book.isEmpty()) {
            FUZZ_CHECK(result == ScanResult::ReadError);
            return starts;
        }
        FUZZ_CHECK(result != ScanResult::ReadError);
        FUZZ_CHECK(sentenceStart == before);
        FUZZ_CHECK(scanner.SentenceText().size() <= SentenceBounds::Cap);
        starts.append(before);
        joined += scanner.SentenceText();
        if (result == ScanResult::EndOfBook) {
            FUZZ_CHECK(readPosition == book.size() - 1);
            FUZZ_CHECK(joined == book);
            for (const qint64 start : real) {
                FUZZ_CHECK(std::binary_search(starts.cbegin(), starts.cend(), start));
            }
            return starts;
        }
        FUZZ_CHECK(readPosition > before && readPosition == before + scanner.SentenceText().size());
        FUZZ_CHECK(endsSentence(book, readPosition - 1) || isCutPoint(book, real, readPosition));
    }
}

// One scan from `from`: it reads up to the first sentence start after it.
void scanFrom(const MemoryBook &file, const QByteArray &book, const QList<qint64> &starts,
              qint64 from) {
    qint64 readPosition = from;
    qint64 sentenceStart = -1;
    SentenceScanner scanner(readPosition, sentenceStart);
    FUZZ_CHECK(scanner.open(file.path()) == BookFile::OpenStatus::Opened);
    const ScanResult result = scanner.ScanSentence();
    FUZZ_CHECK(sentenceStart == from);
    qint64 next = book.size();
    for (const qint64 start : starts) {
        if (start > from) {
            next = start;
            break;
        }
    }
    if (next == book.size()) {
        FUZZ_CHECK(result == ScanResult::EndOfBook);
        FUZZ_CHECK(scanner.SentenceText() == book.sliced(from));
    } else {
        FUZZ_CHECK(result == ScanResult::Sentence);
        FUZZ_CHECK(readPosition == next);
        FUZZ_CHECK(scanner.SentenceText() == book.sliced(from, next - from));
    }
}

// Where stepping back from starts[i] must land.
qint64 expectedStepBack(const QByteArray &book, const QList<qint64> &starts, qsizetype i,
                        bool stopAfterSentence) {
    if (starts[i] < 2) {
        return -7; // nothing is done: the caller's value stays
    }
    // A full stop at offset 0 makes a start at 1 that stepping back never finds.
    const qint64 previous = starts[i - 1] == 1 ? 0 : starts[i - 1];
    const bool skip = stopAfterSentence && previous != 0 && isBlank(book[previous]);
    return skip ? previous + 1 : previous;
}

// Which starts to step back from. Every step back opens the book and reads a
// window afresh, so a long book has only its first and last few starts checked,
// and those next to its first and last few cut points (all of them would cost far
// more than the scan itself); any other book has every start checked.
QList<bool> startsToCheck(const QList<qint64> &starts, const QList<qint64> &real, bool all) {
    constexpr qsizetype Ends = 8;
    const qsizetype count = starts.size();
    QList<bool> check(count, all);
    QList<qsizetype> cuts;
    for (qsizetype i = 0; i < count; ++i) {
        check[i] = check[i] || i < Ends || i + Ends >= count;
        if (!std::binary_search(real.cbegin(), real.cend(), starts[i])) {
            cuts.append(i);
        }
    }
    for (qsizetype k = 0; k < cuts.size(); ++k) {
        if (k < 2 || k + Ends >= cuts.size()) {
            for (qsizetype i = std::max<qsizetype>(cuts[k] - 1, 0); i <= cuts[k] + 1 && i < count;
                 ++i) {
                check[i] = true;
            }
        }
    }
    return check;
}

// Steps back from the chosen starts, and reads on from where each step lands.
void stepBackFromStarts(const MemoryBook &file, const QByteArray &book, const QList<qint64> &starts,
                        const QList<bool> &check) {
    for (qsizetype i = 0; i < starts.size(); ++i) {
        if (!check[i]) {
            continue;
        }
        for (const bool stopAfter : {false, true}) {
            qint64 readPosition = -7;
            FUZZ_CHECK(StepBackOneSentence(file.path(), starts[i], stopAfter, readPosition));
            FUZZ_CHECK(readPosition == expectedStepBack(book, starts, i, stopAfter));
            if (readPosition >= 0) {
                scanFrom(file, book, starts, readPosition);
            }
        }
    }
}

// The file changes under an open scanner: it must neither read past what is there
// now nor past the size it took at open.
void scanChangedFile(const MemoryBook &file, const QByteArray &book, Change change,
                     qint64 newSize) {
    qint64 readPosition = 0;
    qint64 sentenceStart = 0;
    SentenceScanner scanner(readPosition, sentenceStart);
    FUZZ_CHECK(scanner.open(file.path()) == BookFile::OpenStatus::Opened);
    if (change == Change::Truncated) {
        file.truncate(newSize);
    } else {
        file.append(QByteArray(300, '.') + ". x. y", book.size());
    }
    QByteArray joined;
    ScanResult result = ScanResult::Sentence;
    while (result == ScanResult::Sentence) {
        result = scanner.ScanSentence();
        if (result != ScanResult::ReadError) {
            joined += scanner.SentenceText();
        }
    }
    if (change == Change::Truncated) {
        FUZZ_CHECK(result == ScanResult::ReadError);
        FUZZ_CHECK(book.first(newSize).startsWith(joined));
    } else {
        FUZZ_CHECK(result == ScanResult::EndOfBook);
        FUZZ_CHECK(joined == book);
    }
}

// Padding costs a read window's worth of work per check: one input in four.
bool isPadded(uint8_t control) {
    return (control & 0xC0) == 0xC0;
}

// One input in four is repeated to about three to five caps.
bool isRepeated(uint8_t control) {
    return (control & 0xC0) == 0x80;
}

QByteArray bookFrom(const uint8_t *data, size_t size, uint8_t control) {
    QByteArray book(reinterpret_cast<const char *>(data), qsizetype(size));
    if (isPadded(control)) {
        const qint64 edgeOffset = control & 0x3F; // where the window edge falls in the book
        book.prepend(QByteArray(BookFile::WindowSize - edgeOffset, 'a'));
    } else if (isRepeated(control) && !book.isEmpty()) {
        const qint64 length = 3 * SentenceBounds::Cap + (control & 0x3F) * 128;
        book = book.repeated(int(length / book.size()) + 1).first(length);
    }
    return book;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t control = data[0];
    const QByteArray book = bookFrom(data + 1, size - 1, control);
    const bool padded = isPadded(control);
    const MemoryBook file(book);
    const QList<qint64> real = realStarts(book);
    const QList<qint64> starts = scanForwards(file, book, real);
    if (book.isEmpty()) {
        return 0;
    }
    const qint64 middle = padded ? book.size() - qint64(size - 1) / 2 - 1 : control % book.size();
    scanFrom(file, book, starts, qMax<qint64>(0, middle));
    const bool checkAll = !padded && !isRepeated(control);
    stepBackFromStarts(file, book, starts, startsToCheck(starts, real, checkAll));
    if ((control & 0x03) == 1) {
        scanChangedFile(file, book, Change::Truncated, book.size() * ((control >> 2) & 0x0F) / 16);
    } else if ((control & 0x03) == 2) {
        scanChangedFile(file, book, Change::Grown, 0);
    }
    return 0;
}
