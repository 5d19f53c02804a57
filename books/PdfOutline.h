#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A PDF's outline (its bookmarks) with the pages they lead to.
//
// poppler-cpp gives an outline's titles but not where they lead, so the outline
// is read through poppler-qt6, which resolves each entry's destination, named or
// explicit, to its page. Entries that lead nowhere in the document (a web link,
// another file) are left out; their children are kept.
namespace PdfOutline {

struct Entry {
    int page = 0;     // 0 for the first page
    int level = 1;    // 1 for a top entry, its depth below
    QByteArray title; // UTF-8
};

// The outline of the PDF at `path`, in outline order; empty when it has none or
// cannot be read. Bounded: at most MaxEntries entries, no deeper than MaxDepth.
QList<Entry> entriesOf(const QString &path);

inline constexpr int MaxEntries = 100000;
inline constexpr int MaxDepth = 64;

} // namespace PdfOutline
