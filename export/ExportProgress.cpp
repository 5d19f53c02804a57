#include "ExportProgress.h"

#include <QList>

#include <cmath>

namespace ExportProgress {
namespace {

QByteArray clock(double seconds) {
    const qint64 whole = qint64(std::max(0.0, seconds));
    const qint64 hours = whole / 3600;
    const QByteArray minutesSeconds = QByteArray::number(whole / 60 % 60).rightJustified(2, '0') +
                                      ':' + QByteArray::number(whole % 60).rightJustified(2, '0');
    return hours > 0 ? QByteArray::number(hours) + ':' + minutesSeconds : minutesSeconds;
}

} // namespace

QByteArray barLine(const ExportFigures &f) {
    const double fraction = f.textTotal > 0 ? double(f.textDone) / double(f.textTotal) : 0;
    QByteArray line = QByteArray::number(int(fraction * 100)).rightJustified(4, ' ') + "% | " +
                      QByteArray::number(f.chaptersDone) + '/' + QByteArray::number(f.chapters) +
                      " chapters | " + QByteArray::number(f.audioSeconds / 3600, 'f', 1) +
                      " h of audio | " + clock(f.elapsedSeconds) + " elapsed";
    if (fraction > 0.005)
        line += ", " + clock(f.elapsedSeconds * (1 - fraction) / fraction) + " left";
    return line;
}

QByteArray chapterLine(int done, int total, const QByteArray &fileName) {
    return "chapter " + QByteArray::number(done) + '/' + QByteArray::number(total) +
           " done: " + fileName;
}

bool parseChapterLine(QByteArrayView line, int &done, int &total) {
    if (!line.startsWith("chapter "))
        return false;
    const qsizetype colon = line.indexOf(" done: ");
    if (colon < 0)
        return false;
    const QList<QByteArray> numbers = line.sliced(8, colon - 8).toByteArray().split('/');
    bool doneOk = false;
    bool totalOk = false;
    if (numbers.size() == 2) {
        done = numbers[0].toInt(&doneOk);
        total = numbers[1].toInt(&totalOk);
    }
    return doneOk && totalOk;
}

} // namespace ExportProgress
