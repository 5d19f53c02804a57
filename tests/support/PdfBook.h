#pragma once

#include <QByteArray>
#include <QList>

// PDFs with more than BookMaker::pdf() gives: lines in several font sizes,
// pages stored rotated, page labels and an outline.
namespace PdfBook {

struct Line {
    QByteArray text; // Latin-1 text given as UTF-8; empty: a paragraph gap
    int size = 11;   // Helvetica, in points
};

struct Page {
    QList<Line> lines;
    int rotate = 0;   // the page's /Rotate; its text is set to read upright
    QByteArray label; // its page label; no labels at all when every one is empty
};

struct OutlineEntry {
    QByteArray title;
    int page = 0;  // 0 for the first page
    int level = 1; // 1 for a top entry; each entry at most one deeper than the one before
};

QByteArray make(const QList<Page> &pages, const QList<OutlineEntry> &outline = {});

// A PDF file of `objects` (numbered from 1; the first is the catalog) with its
// cross-reference table and trailer.
QByteArray document(const QList<QByteArray> &objects);

} // namespace PdfBook
