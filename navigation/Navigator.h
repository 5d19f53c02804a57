#pragma once

#include "BookStructure.h"
#include "Paragraphs.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

// Moving through a book by its structure, without any window: the levels a book
// has, the next or previous unit of a level from a position, the heading and the
// page a position is in, the targets of a go-to. Positions are byte offsets of
// sentence starts in the book's text. UI thread only (it reads the text through
// its own file handles, a few hundred kilobytes at most per call).
class Navigator {
public:
    enum class Kind { Headings, Pages, Paragraphs, Sentences, Bookmarks };
    struct Level {
        Kind kind = Kind::Sentences;
        int depth = 0; // for headings: this level and the ones above it
        bool operator==(const Level &) const = default;
    };
    // The bookmarks of the current book, sentence starts in any order.
    using Bookmarks = std::function<std::vector<qint64>()>;

    explicit Navigator(Bookmarks bookmarks = {}) : m_bookmarks(std::move(bookmarks)) {}

    // The book to move in: its text file, what kind of text it is, and its
    // structure (not owned; null while it is still being found).
    void setBook(const QString &textPath, Paragraphs::Kind kind, qint64 textSize,
                 const BookStructure *structure);
    bool structureKnown() const { return m_structure != nullptr; }
    const BookStructure *structure() const { return m_structure; }
    qint64 textSize() const { return m_textSize; }

    // The levels of this book, in the order the level key goes through them:
    // headings of level 1, of level 2 or above, ... (only the levels it has),
    // pages when it has some, paragraphs, sentences, bookmarks when it has some.
    std::vector<Level> levels() const;
    // The level chosen, kept across books: the first of the book's levels when
    // this book lacks it.
    Level level() const;
    // Moves on to the next level of the book, and returns it.
    Level chooseNextLevel();

    // Where a move lands: the unit's sentence start, or nothing (at the end).
    struct Unit {
        qint64 offset = 0;
        qsizetype index = 0; // the heading, page or bookmark reached
    };
    // The first unit of the level after `from` (forward) or before it (back);
    // nullopt at the last or first unit, or when the text cannot be read.
    std::optional<Unit> step(qint64 from, bool forward) const;

    // The last heading at or before `position`, and the page it is on.
    std::optional<qsizetype> headingAt(qint64 position) const;
    std::optional<qsizetype> pageAt(qint64 position) const;
    // The sentence start of page `number` (1 = the first); nullopt when the book
    // has no such page.
    std::optional<qint64> pageStart(qint64 number) const;
    // The sentence start at or before `percent` (0..100) of the text.
    std::optional<qint64> percentStart(int percent) const;
    // The start of the next top-level heading (the shallowest level the book
    // has) after `from`; -1 when none or the structure is not known yet.
    qint64 nextTopHeading(qint64 from) const;

    std::vector<qint64> bookmarks() const;

private:
    std::optional<Unit> stepHeading(qint64 from, bool forward, int depth) const;
    std::optional<Unit> stepPage(qint64 from, bool forward) const;
    std::optional<Unit> stepSentence(qint64 from, bool forward) const;
    std::optional<Unit> stepBookmark(qint64 from, bool forward) const;

    Bookmarks m_bookmarks;
    QString m_textPath;
    Paragraphs::Kind m_kind = Paragraphs::Kind::Extracted;
    qint64 m_textSize = 0;
    const BookStructure *m_structure = nullptr;
    Level m_level{Kind::Headings, 1};
};
