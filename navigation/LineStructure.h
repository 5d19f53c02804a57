#pragma once

#include "BookStructure.h"

#include <QByteArrayView>
#include <QString>

#include <atomic>
#include <optional>

// The structure of a plain-text book, found by one forward scan of its lines:
// - headings: a line of its own (after a blank line or at the start of the book)
//   that opens a part or a chapter: "PART", "PARTE", "LLIBRE", "LIBRO" (level 1),
//   "CHAPTER", "CAPÍTOL", "CAPÍTULO" (level 2), in capitals or with a capital
//   first letter, followed by a number or a Roman numeral and optionally a full
//   stop, colon or dash and a title; or a line of only a Roman numeral (level 2).
//   Lines longer than LongestHeadingLine bytes are never headings.
// - pages: a book with a form feed has a page at its start and one after each
//   form feed, known by their ordinal numbers.
// Every entry lies at the sentence start at or before its line, as the reader
// finds sentences. Memory: one read buffer and one line's first bytes, plus the
// entries found; never an entry per line.
namespace LineStructure {

inline constexpr qsizetype LongestHeadingLine = 80;

// The heading level `line` (without its line end) opens, 0 when it is no heading.
int headingLevelOf(QByteArrayView line);

// Scans the text at `path`; nullopt when it cannot be read or `cancel` was set
// (checked every read). Safe on any thread: it opens the file on its own.
std::optional<BookStructure> scan(const QString &path, const std::atomic_bool *cancel = nullptr);

} // namespace LineStructure
