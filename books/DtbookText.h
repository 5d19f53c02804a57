#pragma once

#include <QByteArray>

class TextBuilder;

// The text of a DTBook document (the XML of DAISY 3 books, and of the EPUB 2
// books that conversion tools for blind readers make from them), read with the
// same rules as an XHTML content document.
//
// Sections (level1 to level6, and level, whose depth is its nesting) give their
// level to the hd heading they hold; h1 to h6 are headings of their own level.
// Paragraphs, list items, definition terms, table cells, lines of a poem, notes,
// sidebars, producer's notes, captions, bylines and the other block elements each
// end a block. A pagenum is a page of the structure labelled by its text, which
// is not read; note and annotation references (noteref, annoref), line numbers,
// the head and MathML are not read; an image's alt text is read in its place.
// Named entities of HTML that the document does not declare are read as their
// characters; the DTD itself, external entities and the network are never
// touched, and entity expansion is bounded by the XML reader.
//
// The document is streamed, never built as a tree and never walked with
// recursion, so however deep the nesting the stack stays flat.
namespace DtbookText {

// Adds the text and structure of a DTBook document to `text`. Element ids become
// anchors `anchorScope` + "#" + id (at the start of their block for a block
// element), the document start the anchor `anchorScope`. Metadata in the head
// (dc:Title, dc:Creator, dc:Language) fills what the structure does not have yet.
// A document that breaks off keeps what was read before the break. False when the
// XML is not well formed enough to read any of it.
bool extract(const QByteArray &document, TextBuilder &text,
             const QByteArray &anchorScope = QByteArray());

} // namespace DtbookText
