#pragma once

#include <QByteArray>
#include <QtGlobal>

// The progress of an export as the user sees it: on a terminal one line redrawn
// at most 10 times a second (per cent, chapters done of total, hours of audio
// written, elapsed and estimated time left); elsewhere one plain line per
// finished chapter (a reader of the pipe, such as the program itself, parses
// those lines: see parseChapterLine()).
struct ExportFigures {
    qint64 textDone = 0;
    qint64 textTotal = 0;
    int chaptersDone = 0;
    int chapters = 0;
    double audioSeconds = 0;
    double elapsedSeconds = 0;
};

namespace ExportProgress {

// "  42% | 3/24 chapters | 1.2 h of audio | 0:35 elapsed, 0:48 left"
QByteArray barLine(const ExportFigures &figures);
// "chapter 3/24 done: 03 - Title.opus"
QByteArray chapterLine(int done, int total, const QByteArray &fileName);
// The numbers of a chapterLine(): false for any other line.
bool parseChapterLine(QByteArrayView line, int &done, int &total);

} // namespace ExportProgress
