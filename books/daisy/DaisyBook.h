#pragma once

#include "Extraction.h"

#include <QByteArray>
#include <QString>

// DAISY books, 2.02 and 3, in their folder or zipped: the package file (an
// ncc.html in any letter case, a DAISY 3 .opf, or the .zip) stands for the book.
//
// A book whose SMIL files point at no audio is a text book: its text is that of
// its content documents (XHTML for 2.02, DTBook for 3) in reading order, with the
// headings and pages of its NCC or NCX. A book with audio is a recorded book:
// its text is an index text of one sentence per phrase (the phrase's text where
// the book has text, else the placeholder "…"), and Extracted::phrases holds its
// PhraseTable; its headings and pages land on the phrases they point at, so the
// saved position is the byte offset of a phrase's start in that index text.
//
// Refused: CannotOpen when the package cannot be read or a recorded book has no
// clip whose file is there; Protected for DAISY's protected formats.
namespace DaisyBook {

// The placeholder text of a phrase whose book has no text for it; never spoken.
inline constexpr char PhrasePlaceholder[] = "\xE2\x80\xA6";

Extracted extract(const QString &path);

// The book's own title (dc:title), read from its package alone; empty when the
// file is no DAISY book or gives none. Cheap: the whole book is not read.
QByteArray titleOf(const QString &path);

// Whether `path` is the package of a DAISY book (an ncc.html, an .opf that makes
// a DAISY 3 book, or a .zip that holds either).
bool isBook(const QString &path);

} // namespace DaisyBook
