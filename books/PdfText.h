#pragma once

#include "Extraction.h"

#include <QByteArray>
#include <QList>

// PDF through poppler-cpp: each page's text in poppler's reading order, in page
// order. Lines of a paragraph are joined (a word hyphenated at a line end is
// rejoined when the next line starts with a lower-case letter); a blank line
// ends a paragraph, and a paragraph not ended by a sentence mark at the foot of a
// page goes on at the head of the next. A page's first or last line that is a
// page number ("12", "- 12 -", "Page 12 of 40", "xiv") is left out, and so is one
// that repeats, numbers aside, as the first or last line of at least three pages
// and a fifth of them (a running header or footer).
//
// A PDF that needs a password is Protected; one that has no text on any page (a
// scan) is NoText.
namespace PdfText {

Extracted extract(const QString &path);

// The book text of pages already turned into lines by poppler (for the tests).
QByteArray textOfPages(const QList<QList<QByteArray>> &pages);

} // namespace PdfText
