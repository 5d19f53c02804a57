#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <optional>
#include <vector>

// The structure of a book's text, found by its extractor in the same pass as the
// text: its headings with their levels, its print pages with their labels, and the
// book's own title, author and language where its metadata gives them.
//
// Every offset is a byte offset of a sentence start in the book's text (the
// extracted text, or a plain-text book itself), the same kind of offset as a
// saved reading position, so that moving to an entry is setting the position.
// Entries are kept in text order; two entries may share an offset.
//
// Paragraphs are not stored: in an extracted text every block ends with ".\r\n"
// and no other carriage return or line feed occurs, so paragraph starts are found
// by reading the text around the position, whatever the size of the book.
//
// Compact on purpose (16 bytes an entry plus its text), so that a book with a
// million page markers keeps its structure within 1 % of its text's size.
class BookStructure {
public:
    static constexpr int DeepestLevel = 6;
    // Longer heading texts and page labels are cut (at a UTF-8 character start).
    static constexpr qsizetype LongestText = 240;

    struct Heading {
        qint64 offset = 0;
        int level = 1;       // 1 to 6
        QByteArrayView text; // UTF-8; valid until the structure changes
    };
    struct Page {
        qint64 offset = 0;
        // UTF-8; empty when the page is known by its ordinal number only (a form
        // feed in a plain-text book): then its label is its index + 1.
        QByteArrayView label;
    };

    // Metadata (UTF-8, blanks trimmed; empty when the book does not say).
    QByteArray title;
    QByteArray author;
    QByteArray language;

    // Adds an entry; a level outside 1 to 6 is clamped, blanks in the text are
    // run together. Entries may come out of order (a table of contents need not
    // follow the text): finish() puts them in order.
    void addHeading(qint64 offset, int level, QByteArrayView text);
    void addPage(qint64 offset, QByteArrayView label);

    qsizetype headingCount() const { return qsizetype(m_headings.size()); }
    qsizetype pageCount() const { return qsizetype(m_pages.size()); }
    Heading heading(qsizetype index) const;
    Page page(qsizetype index) const;
    // The page's label, its ordinal number when it has none.
    QByteArray pageLabel(qsizetype index) const;
    // The deepest heading level the book has, 0 when it has no heading.
    int deepestLevel() const;
    bool isEmpty() const { return m_headings.empty() && m_pages.empty(); }

    // Sorts the entries by offset (keeping the order of equal offsets), drops
    // those at or past `textSize`, which lie outside the text, and gives back
    // the room the lists grew into while they were built.
    void finish(qint64 textSize);
    // The bytes the structure holds in memory (its lists and texts).
    qint64 memoryBytes() const;

    // A line-based text form for the cache, and its reader. parse() refuses
    // (nullopt) anything damaged or out of order, so that a broken cache file is
    // never trusted.
    QByteArray serialized() const;
    static std::optional<BookStructure> parse(QByteArrayView bytes);

    bool operator==(const BookStructure &other) const;

private:
    struct Entry {
        qint64 offset = 0;
        quint32 textStart = 0;
        quint16 textLength = 0;
        quint8 level = 0;
    };
    QByteArrayView textOf(const Entry &entry) const;
    Entry entry(qint64 offset, int level, QByteArrayView text);

    std::vector<Entry> m_headings;
    std::vector<Entry> m_pages;
    QByteArray m_texts; // the entries' texts, one after another
};
