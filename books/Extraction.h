#pragma once

#include "BookStructure.h"

#include <QByteArray>
#include <QString>

// Why a book gave no text, or that it did.
enum class ExtractionStatus {
    Ok,
    CannotOpen, // missing, unreadable, damaged, too large, not the format its name says
    Protected,  // DRM or a password: its text cannot be read
    NoText,     // a document without any text to read (a scanned PDF)
};

struct Extracted {
    ExtractionStatus status = ExtractionStatus::CannotOpen;
    QByteArray text;         // UTF-8, blocks ended as TextBuilder ends them; empty unless Ok
    BookStructure structure; // its headings, pages and metadata, offsets in `text`
    // A recorded book's PhraseTable, serialized: a recorded DAISY book's (its
    // `text` is then the index text of its phrases) or a narrated EPUB's (over
    // its own text); empty for every other book.
    QByteArray phrases;

    static Extracted failed(ExtractionStatus why) { return {why, {}, {}, {}}; }
};

class TextBuilder;

namespace Extraction {

// Bumped whenever a change to any extractor could move text: the cache keys on it,
// so old texts (and the positions in them) are not mixed with new ones.
inline constexpr int Version = 3;

// The largest book file an extractor reads, whatever its format.
inline constexpr qint64 MaxBookBytes = 512LL * 1024 * 1024;
// The largest single document inside a book (an EPUB chapter, a DOCX body), and
// the largest HTML file.
inline constexpr qint64 MaxDocumentBytes = 64LL * 1024 * 1024;

// Whether the plain-text book `head` starts with (its first bytes) is UTF-16 with
// a byte-order mark, the only plain text that is converted.
bool isUtf16Text(const QByteArray &head);

// What `text` built: its text and structure, Ok; NoText when it holds no text.
Extracted finished(TextBuilder &text);

// The text of the book at `path`, by the format its extension names. The same
// file and Version always give the same bytes.
Extracted extractBook(const QString &path);

} // namespace Extraction
