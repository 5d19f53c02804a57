#pragma once

#include <QByteArray>
#include <QList>

// The navigation an EPUB carries beside its text: the table of contents and the
// list of print pages, from the EPUB 3 navigation document (its nav elements of
// epub:type "toc" and "page-list") or from the NCX of EPUB 2 (its navMap and
// pageList). Each entry names its target as a TextBuilder anchor, so that the
// extractor places it where its target landed in the text.
//
// Both readers stream the XML (no tree, no recursion), declare no entities but
// those of HTML, never fetch anything, and keep at most MaxEntries entries of
// each kind; a document that breaks off keeps the entries read before the break.
struct EpubNavigation {
    static constexpr qsizetype MaxEntries = 2000000;
    static constexpr qsizetype LongestLabel = 1024;

    struct Entry {
        int level = 1;     // the nesting depth in the table of contents, from 1
        QByteArray label;  // UTF-8, blanks run together
        QByteArray target; // "<zip entry>#<id>", or "<zip entry>" for a document's start
    };

    QList<Entry> contents;
    QList<Entry> pages;

    // The navigation document or NCX `document`, found at the zip entry `entry`
    // (its links are relative to that entry's folder).
    static EpubNavigation fromNavigationDocument(const QByteArray &document,
                                                 const QByteArray &entry);
    static EpubNavigation fromNcx(const QByteArray &document, const QByteArray &entry);
};
