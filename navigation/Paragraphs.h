#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Paragraph starts, found by reading the text around a position (at most
// Reach bytes on either side), never by keeping a list: a 2 GiB text with
// millions of lines costs one read window per move.
//
// A paragraph starts at the start of the text and
// - in an extracted text, after ".\r\n" (every block ends so, and no other line
//   end occurs);
// - in a plain text, at a line that is not blank and follows a blank line or is
//   indented (begins with a space or a tab).
// Each start is taken at the sentence start at or before it, as the reader finds
// sentences. A paragraph longer than Reach is crossed Reach bytes at a time.
namespace Paragraphs {

inline constexpr qint64 Reach = 256 * 1024;

enum class Kind { Extracted, PlainText };

// The first paragraph start after `from` in the text at `path` (sized `size`),
// or nullopt when there is none before the end or the text cannot be read.
std::optional<qint64> next(const QString &path, Kind kind, qint64 from);
// The last paragraph start before `from`, or nullopt when there is none.
std::optional<qint64> previous(const QString &path, Kind kind, qint64 from);

} // namespace Paragraphs
