#include "LineStructure.h"

#include "BookFile.h"
#include "SentenceScanner.h"

#include <QFile>

#include <array>
#include <cstring>

namespace {

constexpr qint64 ReadSize = 1024 * 1024;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

QByteArrayView trimmed(QByteArrayView line) {
    while (!line.isEmpty() && isBlank(line.front())) {
        line = line.sliced(1);
    }
    while (!line.isEmpty() && isBlank(line.back())) {
        line.chop(1);
    }
    return line;
}

bool isRomanDigit(char c) {
    return std::strchr("IVXLCDM", c) != nullptr && c != '\0';
}

// The length of the number or Roman numeral `text` starts with (at most 8
// characters), 0 when it starts with neither.
qsizetype numeralLength(QByteArrayView text) {
    qsizetype n = 0;
    if (!text.isEmpty() && text.front() >= '0' && text.front() <= '9') {
        while (n < text.size() && text[n] >= '0' && text[n] <= '9') {
            ++n;
        }
    } else {
        while (n < text.size() && isRomanDigit(text[n])) {
            ++n;
        }
    }
    return n <= 8 ? n : 0;
}

// What may follow the numeral: nothing, or a full stop, colon or dash (and a
// title after it), or a blank and a title in capitals.
bool acceptableTail(QByteArrayView tail) {
    if (tail.isEmpty()) {
        return true;
    }
    const char first = tail.front();
    if (first == '.' || first == ':' || first == '-' || tail.startsWith("\xE2\x80\x94") ||
        tail.startsWith("\xE2\x80\x93")) {
        return true;
    }
    return first == ' ' && trimmed(tail).isEmpty();
}

struct Keyword {
    QByteArrayView capitals;
    QByteArrayView capitalised;
    int level;
};

const std::array<Keyword, 7> Keywords{{
    {"PARTE", "Parte", 1},
    {"PART", "Part", 1},
    {"LLIBRE", "Llibre", 1},
    {"LIBRO", "Libro", 1},
    {"CHAPTER", "Chapter", 2},
    {"CAP\xC3\x8DTOL", "Cap\xC3\xADtol", 2},
    {"CAP\xC3\x8DTULO", "Cap\xC3\xADtulo", 2},
}};

} // namespace

namespace LineStructure {

int headingLevelOf(QByteArrayView line) {
    line = trimmed(line);
    if (line.isEmpty() || line.size() > LongestHeadingLine) {
        return 0;
    }
    for (const Keyword &keyword : Keywords) {
        for (const QByteArrayView word : {keyword.capitals, keyword.capitalised}) {
            if (!line.startsWith(word) || line.size() <= word.size() + 1 ||
                line[word.size()] != ' ') {
                continue;
            }
            const QByteArrayView rest = line.sliced(word.size() + 1);
            const qsizetype numeral = numeralLength(rest);
            if (numeral > 0 && acceptableTail(rest.sliced(numeral))) {
                return keyword.level;
            }
        }
    }
    const qsizetype numeral = numeralLength(line);
    const bool roman = numeral > 0 && isRomanDigit(line.front());
    if (roman && (numeral == line.size() || (numeral + 1 == line.size() && line.back() == '.'))) {
        return 2;
    }
    return 0;
}

} // namespace LineStructure

namespace {

// The scan's state between reads: the line being read (its first bytes only) and
// whether the line before it was blank.
class LineScan {
public:
    LineScan(BookFile &lookups, BookStructure &found) : m_lookups(lookups), m_found(found) {}

    bool feed(const char *bytes, qint64 count, qint64 offset) {
        for (qint64 i = 0; i < count; ++i) {
            const char c = bytes[i];
            if (c == '\n') {
                if (!endLine()) {
                    return false;
                }
                m_lineStart = offset + i + 1;
                continue;
            }
            if (c == '\f' && !page(offset + i + 1)) {
                return false;
            }
            if (m_line.size() <= LineStructure::LongestHeadingLine) {
                m_line.append(c);
            }
        }
        return true;
    }
    bool finish() { return endLine(); }

private:
    std::optional<qint64> sentenceStart(qint64 offset) {
        return sentenceStartIn(m_lookups, offset);
    }

    bool page(qint64 offset) {
        if (m_found.pageCount() == 0) {
            m_found.addPage(0, {});
        }
        const std::optional<qint64> start = sentenceStart(offset);
        if (!start) {
            return false;
        }
        m_found.addPage(*start, {});
        return true;
    }

    bool endLine() {
        const QByteArrayView line = trimmed(m_line);
        if (m_afterBlank && !line.isEmpty()) {
            if (const int level = LineStructure::headingLevelOf(line); level > 0) {
                const std::optional<qint64> start = sentenceStart(m_lineStart);
                if (!start) {
                    return false;
                }
                m_found.addHeading(*start, level, line);
            }
        }
        m_afterBlank = line.isEmpty();
        m_line.clear();
        return true;
    }

    BookFile &m_lookups;
    BookStructure &m_found;
    QByteArray m_line;
    qint64 m_lineStart = 0;
    bool m_afterBlank = true;
};

} // namespace

namespace LineStructure {

std::optional<BookStructure> scan(const QString &path, const std::atomic_bool *cancel) {
    QFile file(path);
    BookFile lookups;
    if (!file.open(QIODevice::ReadOnly) || lookups.open(path) != BookFile::OpenStatus::Opened) {
        return std::nullopt;
    }
    const qint64 size = lookups.size();
    BookStructure found;
    LineScan lines(lookups, found);
    QByteArray buffer(ReadSize, Qt::Uninitialized);
    qint64 offset = 0;
    while (offset < size) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
            return std::nullopt;
        }
        const qint64 got = file.read(buffer.data(), std::min(ReadSize, size - offset));
        if (got <= 0 || !lines.feed(buffer.constData(), got, offset)) {
            return std::nullopt;
        }
        offset += got;
    }
    if (!lines.finish()) {
        return std::nullopt;
    }
    found.finish(size);
    return found;
}

} // namespace LineStructure
