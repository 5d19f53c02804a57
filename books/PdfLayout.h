#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

// The lines of a PDF page from the words poppler lays out on it, and where its
// blocks end.
//
// poppler hands the words in its reading order, each with its box, the
// direction of its text (0 to 3 quarter turns: a page stored rotated, or text
// set sideways, reads as well as any other) and its font size. Words follow one
// another on a line until one starts back along the line or leaves the line's
// height. A line set apart from the one before it ends the block before it: one
// whose distance from the line before is larger than the page's line spacing (a
// paragraph gap, a title's space), or whose font size differs (a heading). A
// line that moves back up the page (a new column) keeps its paragraph, since
// poppler already put it in reading order.
namespace PdfLayout {

struct Word {
    QString text;
    double x = 0; // the box, in points from the page's top left corner
    double y = 0;
    double width = 0;
    double height = 0;
    int rotation = 0; // quarter turns of the text's direction
    double fontSize = 0;
    bool spaceAfter = false;
};

// The page's lines in reading order, UTF-8, with an empty line where a block ends.
QList<QByteArray> linesOf(const std::vector<Word> &words);

} // namespace PdfLayout
