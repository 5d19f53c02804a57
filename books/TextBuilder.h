#pragma once

#include "BookStructure.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QStringView>

// Builds the plain text of a book, block by block (a heading, a paragraph, a list
// item, a table cell, a line of a poem), in UTF-8.
//
// Bytes that are not UTF-8 are left out. Inside a block every run of white space
// (and a no-break space) becomes one
// blank; control bytes, soft hyphens, zero-width spaces and byte-order marks are
// dropped, since they are never spoken and a NUL would cut a sentence short.
// Every block ends with ".\r\n": a full stop is added when the block's text does
// not end with one, so that the sentence scanner, which ends a sentence at a full
// stop followed by a carriage return, ends the block's last sentence there; no
// spoken word changes. Empty blocks leave nothing.
//
// The text is bounded: past `limit` bytes further text is dropped and
// overflowed() says so, so that a hostile book cannot fill the memory.
//
// The builder also keeps the book's structure (headings, pages) as the extractor
// finds it, each entry placed at here(): the start of the sentence that the next
// text joins, as the sentence scanner will find it (0, or the blank or line end
// after a full stop). A page marker in the middle of a sentence therefore lands on
// that sentence's start, and its label is never part of the text.
class TextBuilder {
public:
    static constexpr qsizetype DefaultLimit = 64 * 1024 * 1024;

    explicit TextBuilder(qsizetype limit = DefaultLimit) : m_limit(limit) {}

    // Inline text of the current block, in UTF-8.
    void addText(QByteArrayView utf8);
    void addText(QStringView text) { addText(QByteArrayView(text.toUtf8())); }
    // A blank between two runs of text (a tab, a word break).
    void addBlank() { m_pendingBlank = m_blockHasText; }
    // Ends the current block, if it has any text.
    void endBlock();

    // Where an entry found now lands: the sentence start at or before the end of
    // the text (a new block's start once the current block has ended).
    qint64 here() const;
    // A heading of `level` whose text is the block that follows: call it where the
    // heading's element starts and endHeading() where it ends; a heading without
    // text is dropped. Ends the current block.
    void beginHeading(int level);
    void endHeading();
    // A heading or page whose text is given (a table of contents entry, a page
    // marker's label), at `offset` (here() unless the entry points elsewhere).
    void addHeading(qint64 offset, int level, QByteArrayView text) {
        m_structure.addHeading(offset, level, text);
    }
    // A page marker that is a link target (`anchor`, as addAnchor() names it)
    // also keeps its label, so that a recording of the page number finds it.
    void addPage(QByteArrayView label, const QByteArray &anchor = QByteArray()) {
        m_structure.addPage(here(), label);
        if (!anchor.isEmpty()) {
            m_pageLabels.insert(anchor, label.toByteArray());
        }
    }
    // The label of the page marker that is the anchor `name`, else empty.
    QByteArray pageLabelOf(const QByteArray &name) const { return m_pageLabels.value(name); }
    // Targets of links: `name` (a document of the book, or the document name,
    // "#" and an element's id) lands here(); the first one of a name counts.
    void addAnchor(const QByteArray &name) { m_anchors.insert(name, here()); }
    // Where the anchor `name` landed, or -1.
    qint64 anchorOffset(const QByteArray &name) const { return m_anchors.value(name, -1); }
    // Metadata and anything else an extractor records directly.
    BookStructure &structure() { return m_structure; }

    // Whether any block has text so far.
    bool isEmpty() const { return m_text.isEmpty() && !m_blockHasText; }
    bool overflowed() const { return m_overflowed; }
    // Ends the last block and hands the text over. The text's very end is the
    // last block's full stop, without the line end, so that the last sentence of
    // the book ends at its last byte instead of leaving a sentence of a line end.
    QByteArray take();
    // After take(): the structure, in text order, without entries past the text.
    BookStructure takeStructure() { return std::move(m_structure); }

private:
    void append(QByteArrayView bytes);

    QByteArray m_text;
    qsizetype m_limit;
    qint64 m_sentenceStart = 0;
    qsizetype m_headingStart = -1; // where the heading's text begins in m_text
    qint64 m_headingOffset = 0;
    int m_headingLevel = 0;
    BookStructure m_structure;
    QHash<QByteArray, qint64> m_anchors;
    QHash<QByteArray, QByteArray> m_pageLabels;
    bool m_blockHasText = false;
    bool m_pendingBlank = false;
    bool m_overflowed = false;
};
