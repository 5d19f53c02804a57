#pragma once

#include "Extraction.h"
#include "PdfOutline.h"

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
// Each page is a page of the book's structure, starting at its first text and
// labelled by the PDF's own page label where it has one (else known by its
// number); each outline entry is a heading at the first text of the page it
// leads to, its depth its level. Lines are found as PdfLayout finds them.
//
// A PDF that needs a password is Protected; one that has no text on any page (a
// scan) is NoText.
namespace PdfText {

Extracted extract(const QString &path);

// The book of pages already turned into lines (an empty line ends a block),
// with their labels (empty: the page's number) and the outline.
Extracted textOf(const QList<QList<QByteArray>> &pages, const QList<QByteArray> &labels,
                 const QList<PdfOutline::Entry> &outline);
// Its text alone, without labels or outline (for the tests).
QByteArray textOfPages(const QList<QList<QByteArray>> &pages);

} // namespace PdfText
