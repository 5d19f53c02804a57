#pragma once

#include <QByteArray>
#include <QByteArrayView>
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

    // Whether any block has text so far.
    bool isEmpty() const { return m_text.isEmpty() && !m_blockHasText; }
    bool overflowed() const { return m_overflowed; }
    // Ends the last block and hands the text over. The text's very end is the
    // last block's full stop, without the line end, so that the last sentence of
    // the book ends at its last byte instead of leaving a sentence of a line end.
    QByteArray take();

private:
    void append(QByteArrayView bytes);

    QByteArray m_text;
    qsizetype m_limit;
    bool m_blockHasText = false;
    bool m_pendingBlank = false;
    bool m_overflowed = false;
};
