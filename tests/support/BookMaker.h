#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Small books of every format, made by the tests and benchmarks themselves.
namespace BookMaker {

// Zip entries in order: name, bytes. "mimetype" is stored, the rest deflated.
using Entries = QList<QPair<QByteArray, QByteArray>>;

bool writeFile(const QString &path, const QByteArray &bytes);
bool writeZip(const QString &path, const Entries &entries);

// An XHTML content document around `body`.
QByteArray xhtml(const QByteArray &body);

// An EPUB 3 book: chapter i is OEBPS/text/c<i>.xhtml holding xhtml(bodies[i]),
// in the spine in that order; the chapters named in `nonLinear` are marked
// linear="no". A navigation document comes first in the spine, as some books
// put it.
Entries epubEntries(const QList<QByteArray> &bodies, const QList<int> &nonLinear = {});

// An EPUB 2 book: its documents (name under OEBPS/, bytes) of `mediaType` in the
// spine in that order, with the NCX `ncx` as OEBPS/toc.ncx, and the package
// document named `packageName` (OEBPS/content.opf in a right book) by its
// container.
Entries epub2Entries(const Entries &documents, const QByteArray &mediaType, const QByteArray &ncx,
                     const QByteArray &packageName = "OEBPS/content.opf");

// A DOCX of word/document.xml with `body` inside <w:body>, and an ODT of
// content.xml with `text` inside <office:text>.
Entries docxEntries(const QByteArray &body);
Entries odtEntries(const QByteArray &text);

// The text that extraction makes of these blocks: each ends with "\r\n", but
// the last, since the text ends at its last full stop.
QByteArray blocks(const QList<QByteArray> &lines);

// A PDF of Letter pages in Helvetica, one line of text per entry (Latin-1 text
// given as UTF-8); an empty entry leaves a blank line (a paragraph gap). A page
// with no lines gets a drawn stroke instead, so that it has content but no text.
QByteArray pdf(const QList<QList<QByteArray>> &pages);

} // namespace BookMaker
