#pragma once

#include <QByteArray>

class TextBuilder;

// The text of an HTML or XHTML document (a web page, an EPUB content document),
// read with libxml2's tolerant HTML parser: unclosed and misnested elements,
// unknown entities and stray bytes are recovered from, never fatal.
//
// Headings, paragraphs, list items, table cells, line breaks and the other block
// elements each end a block; h1 to h6 are the book's headings, and a print page's
// marker (epub:type "pagebreak", role "doc-pagebreak") is a page of the
// structure, labelled by its title, ARIA label or text, which is not read; the head, scripts,
// styles, templates, navigation, SVG, MathML and ruby annotations are not read; an image's alt text
// is read in its place; a footnote marker (a link or superscript marked as a note reference, or a
// short link to an anchor made only of digits, brackets, stars or daggers) is left out, so that it
// is not spoken mid-sentence. Notes themselves are read where the document puts them, as blocks of
// their own.
//
// The tree is walked without recursion, so however deep the nesting the stack
// stays flat. External entities and the network are never touched.
namespace MarkupText {

// The encoding of a stand-alone document: a byte-order mark, then the XML
// declaration, then a <meta> charset in the first 4 KB; failing those UTF-8 when
// the bytes are valid UTF-8, otherwise windows-1252. Always a name libxml2 knows.
QByteArray detectEncoding(const QByteArray &document);

// Adds the text of `document` (in `encoding`; UTF-16 is converted first) to
// `text`, with its headings and pages. The document's start is the anchor
// `anchorScope`, each element with an id the anchor `anchorScope` + "#" + id (an
// EPUB names its documents by their zip entry names). False when libxml2 could
// make no document of the bytes at all.
bool extract(const QByteArray &document, const QByteArray &encoding, TextBuilder &text,
             const QByteArray &anchorScope = QByteArray());

} // namespace MarkupText
