#pragma once

#include "BookStructure.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

// Which stretches of a book's text become which audio files. QtCore only.
struct Chapter {
    qint64 start = 0; // a sentence start in the text
    qint64 end = 0;   // the next chapter's start, or the text's size
    QByteArray title; // UTF-8; empty for a part of a book without headings
};

namespace ChapterPlan {

// About 30 minutes of speech at speed 140 (espeak-ng says some 15 bytes of text a
// second there); faster speeds put more text in a part.
inline constexpr qint64 BytesPerHalfHourAt140 = 27000;
qint64 partBytesAt(int speed);

// The chapters of a text of `textSize` bytes from its headings: one per heading of
// the shallowest level that has at least two, the text before the first one going
// with it. Empty when the book has no such level.
std::vector<Chapter> fromHeadings(const BookStructure &structure, qint64 textSize);

// Parts of about `partBytes` each of the text in the file `textPath`, cut at the
// end of the first sentence that reaches that size, as the reader's scanner finds
// sentences. Empty when the file cannot be read.
std::vector<Chapter> inParts(const QString &textPath, qint64 partBytes);

// `text` made safe as a name on any file system: no "/", "\\", control or
// reserved characters (each becomes a blank), blanks run together, no leading or
// trailing blanks and dots, at most `maxBytes` bytes (cut at a UTF-8 character start).
QByteArray safeName(QByteArrayView text, qsizetype maxBytes);

// "NN - Title.ext" for track `track` of `total` (at least two digits, as many as
// `total` needs), at most 100 bytes; `title` is made safe, and when it is empty
// after that the name is "NN.ext".
QString fileName(int track, int total, QByteArrayView title, const QString &extension);

} // namespace ChapterPlan
