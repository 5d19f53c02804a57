#include "Paragraphs.h"

#include "BookFile.h"
#include "SentenceBounds.h"
#include "SentenceScanner.h"

#include <QFile>

#include <algorithm>
#include <vector>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

// The text from `first` to `last` (exclusive), read at once.
struct Window {
    qint64 first = 0;
    QByteArray bytes;
};

std::optional<Window> readWindow(const QString &path, qint64 first, qint64 last) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(first)) {
        return std::nullopt;
    }
    Window window{first, file.read(last - first)};
    if (window.bytes.size() != last - first) {
        return std::nullopt;
    }
    return window;
}

// Whether the line starting at `at` (an index in `bytes`, just after a line
// feed) opens a plain-text paragraph; false when the line before it is not in
// the window, so cannot be judged.
bool opensPlainParagraph(const QByteArray &bytes, qsizetype at) {
    if (at >= bytes.size() || bytes[at] == '\n' || bytes[at] == '\r') {
        return false;
    }
    qsizetype end = at;
    while (end < bytes.size() && isBlank(bytes[end])) {
        ++end;
    }
    if (end == bytes.size() || bytes[end] == '\n') {
        return false; // a blank line itself
    }
    if (bytes[at] == ' ' || bytes[at] == '\t') {
        return true;
    }
    // The line before: from the line feed before `at - 1` on, only blanks.
    qsizetype before = at - 2;
    while (before >= 0 && bytes[before] != '\n') {
        if (!isBlank(bytes[before])) {
            return false;
        }
        --before;
    }
    return before >= 0;
}

// The candidate starts in the window, as offsets in the text, in order.
std::vector<qint64> candidates(const Window &window, Paragraphs::Kind kind) {
    std::vector<qint64> found;
    if (window.first == 0) {
        found.push_back(0);
    }
    const QByteArray &bytes = window.bytes;
    for (qsizetype i = bytes.indexOf('\n'); i >= 0; i = bytes.indexOf('\n', i + 1)) {
        const bool opens = kind == Paragraphs::Kind::Extracted
                               ? i >= 2 && bytes[i - 1] == '\r' && bytes[i - 2] == '.'
                               : opensPlainParagraph(bytes, i + 1);
        if (opens && i + 1 < bytes.size()) {
            found.push_back(window.first + i + 1);
        }
    }
    return found;
}

} // namespace

namespace Paragraphs {

std::optional<qint64> next(const QString &path, Kind kind, qint64 from) {
    BookFile book;
    if (book.open(path) != BookFile::OpenStatus::Opened || from + 1 >= book.size()) {
        return std::nullopt;
    }
    const qint64 first = std::max<qint64>(0, from - 4096);
    const qint64 last = std::min(book.size(), from + Reach);
    const std::optional<Window> window = readWindow(path, first, last);
    if (!window) {
        return std::nullopt;
    }
    // A paused sentence starts at its separator; the same sentence taken one byte
    // past it, as sentenceStartIn() gives it, is no move.
    const bool onSeparator =
        from > 0 &&
        SentenceBounds::isBlank(static_cast<unsigned char>(window->bytes[from - first]));
    const qint64 same = onSeparator ? from + 1 : from;
    for (const qint64 candidate : candidates(*window, kind)) {
        if (candidate <= from) {
            continue;
        }
        const std::optional<qint64> start = sentenceStartIn(book, candidate);
        if (start && *start > same) {
            return start;
        }
    }
    if (last == book.size()) {
        return std::nullopt;
    }
    const std::optional<qint64> far = sentenceStartIn(book, last);
    return far && *far > from ? far : std::nullopt;
}

std::optional<qint64> previous(const QString &path, Kind kind, qint64 from) {
    BookFile book;
    if (from <= 0 || book.open(path) != BookFile::OpenStatus::Opened) {
        return std::nullopt;
    }
    const qint64 first = std::max<qint64>(0, from - Reach);
    const qint64 last = std::min(book.size(), from + 1);
    const std::optional<Window> window = readWindow(path, first, last);
    if (!window) {
        return std::nullopt;
    }
    const std::vector<qint64> found = candidates(*window, kind);
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        const std::optional<qint64> start = sentenceStartIn(book, *it);
        if (start && *start < from) {
            return start;
        }
    }
    if (first == 0) {
        return std::nullopt;
    }
    const std::optional<qint64> far = sentenceStartIn(book, first);
    return far && *far < from ? far : std::nullopt;
}

} // namespace Paragraphs
