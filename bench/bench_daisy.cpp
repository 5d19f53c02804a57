// Opening a recorded DAISY 2.02 book: a 30-hour book of 2,000 SMIL files (one
// recording each, 27 phrases of 2 s a file) and a small one of 5 files, made
// here. For each: the title as the chooser reads it, the first opening
// (reading the NCC and every SMIL file, building the index text and phrase
// table, writing them to the cache) and the opening once cached (finding the
// cached text and loading its phrase table). The
// recordings are empty files: opening a book never decodes its audio.
//
//   build/bin/bench_daisy [folder]     (default: a temporary folder)
#include "BookCache.h"
#include "BookFormat.h"
#include "PhraseTable.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int PhrasesPerFile = 27;
constexpr int PhraseMs = 2000;
constexpr int CachedRuns = 21;

bool write(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray number(int n) {
    return QByteArray::number(n).rightJustified(4, '0');
}

QByteArray smilOf(int file) {
    QByteArray smil = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<smil><head>"
                      "<meta name=\"dc:format\" content=\"Daisy 2.02\"/></head><body><seq>\n";
    for (int p = 0; p < PhrasesPerFile; ++p) {
        const QByteArray id = QByteArray::number(p);
        smil += "<par endsync=\"last\" id=\"p" + id + "\"><audio src=\"a" + number(file) +
                ".mp3\" clip-begin=\"npt=" + QByteArray::number(p * PhraseMs / 1000.0, 'f', 3) +
                "s\" clip-end=\"npt=" + QByteArray::number((p + 1) * PhraseMs / 1000.0, 'f', 3) +
                "s\" id=\"a" + id + "\"/></par>\n";
    }
    return smil + "</seq></body></smil>\n";
}

// The book's NCC: a heading a file (every tenth a chapter, the rest sections)
// and a page every ninth phrase.
bool makeBook(const QString &folder, int files) {
    if (!QDir().mkpath(folder)) {
        return false;
    }
    const qint64 seconds = qint64(files) * PhrasesPerFile * PhraseMs / 1000;
    QByteArray ncc = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html><head>"
                     "<meta name=\"dc:title\" content=\"Llibre enregistrat\"/>"
                     "<meta name=\"dc:format\" content=\"Daisy 2.02\"/>"
                     "<meta name=\"ncc:totalTime\" content=\"" +
                     QByteArray::number(seconds / 3600) + ":" +
                     QByteArray::number(seconds / 60 % 60).rightJustified(2, '0') + ":" +
                     QByteArray::number(seconds % 60).rightJustified(2, '0') +
                     "\"/></head><body>\n";
    int page = 0;
    for (int f = 0; f < files; ++f) {
        const QByteArray smil = "s" + number(f) + ".smil";
        const QByteArray level = f % 10 == 0 ? "h1" : "h2";
        ncc += "<" + level + " id=\"h" + number(f) + "\"><a href=\"" + smil + "#p0\">Part " +
               QByteArray::number(f + 1) + "</a></" + level + ">\n";
        for (int p = 0; p < PhrasesPerFile; p += 9) {
            ++page;
            ncc += "<span class=\"page-normal\" id=\"pg" + QByteArray::number(page) +
                   "\"><a href=\"" + smil + "#p" + QByteArray::number(p) + "\">" +
                   QByteArray::number(page) + "</a></span>\n";
        }
        if (!write(folder + u'/' + QString::fromLatin1(smil), smilOf(f)) ||
            !write(folder + u"/a"_s + QString::fromLatin1(number(f)) + u".mp3"_s, QByteArray())) {
            return false;
        }
    }
    return write(folder + u"/ncc.html"_s, ncc + "</body></html>\n");
}

double median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

bool measure(const QString &root, const char *name, int files) {
    const QString folder = root + u'/' + QString::fromLatin1(name);
    if (!makeBook(folder, files)) {
        std::fprintf(stderr, "cannot write the book in %s\n", qPrintable(folder));
        return false;
    }
    const QString ncc = folder + u"/ncc.html"_s;
    BookCache cache(root + u"/cache"_s, 1LL << 32);
    QElapsedTimer timer;
    timer.start();
    const QString title = BookFormats::titleOf(ncc);
    const double titleMs = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    const BookText first = cache.textOf(ncc);
    const double firstMs = double(timer.nsecsElapsed()) / 1e6;
    if (first.status != ExtractionStatus::Ok || first.phrases.isEmpty()) {
        std::fprintf(stderr, "%s: not opened as a recorded book\n", name);
        return false;
    }
    std::vector<double> cached;
    for (int run = 0; run < CachedRuns; ++run) {
        timer.restart();
        const BookText again = cache.textOf(ncc);
        const bool loaded = PhraseTable::load(again.phrases).has_value();
        cached.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (!again.extracted || !loaded) {
            return false;
        }
    }
    std::printf("%-6s %5d SMIL files %7d phrases  title %7.2f ms  first opening %8.1f ms  "
                "cached (median of %d) %6.2f ms  [%s]\n",
                name, files, files * PhrasesPerFile, titleMs, firstMs, CachedRuns, median(cached),
                qPrintable(title));
    return true;
}

} // namespace

int main(int argc, char **argv) {
    QTemporaryDir temporary;
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    return measure(root, "small", 5) && measure(root, "large", 2000) ? 0 : 1;
}
