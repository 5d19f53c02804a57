#pragma once

#include "SentenceScanner.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

// The sentence rules written out byte by byte, the slow obvious way, for the
// scanner's tests to compare the buffered scanner with.

// Space, tab, carriage return or line feed: a cut point may start at one.
bool isBlankByte(char byte);
// Every sentence start of `book`, 0 first: after full-stop boundaries and at the
// cut points of stretches longer than the cap.
QList<qint64> referenceSentenceStarts(const QByteArray &book);
// Where stepping back from `sentenceStart` lands; `readPosition` when nothing is
// done, -1 when a read would fail.
qint64 referenceStepBack(const QByteArray &book, qint64 sentenceStart, bool stopAfterSentence,
                         qint64 readPosition);

struct ScannedSentence {
    qint64 start;
    qint64 readPositionAfter;
    QByteArray text;
    ScanResult result;
};

// Every sentence the scanner reads from `from` to the end of the book or the first error.
QList<ScannedSentence> scanAll(const QString &path, qint64 from);
// Writes a new book file into `folder`; its path.
QString writeBookIn(const QTemporaryDir &folder, const QByteArray &bytes);
// Compares a forward scan of the book at `path` (holding `book`) and a step back
// from every sentence start with the byte-by-byte rules (Qt Test checks).
void checkScannerAgainstReference(const QString &path, const QByteArray &book);
