// Opening a large book in another format, the first time (extraction and the
// cache file's write) and once cached: a 10 MB EPUB and a 500-page PDF, both
// made here from a fixed seed, so that every run measures the same books.
//
//   build/bin/bench_books [folder]     (default: a temporary folder)
#include "BookCache.h"
#include "BookMaker.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

constexpr qint64 EpubTarget = 10LL * 1024 * 1024;
constexpr int PdfPages = 500;
constexpr int LinesPerPage = 46;
constexpr int FirstRuns = 3;
constexpr int Runs = 21;

// Words made of syllables, so that the text compresses about as well as prose.
const QList<QByteArray> Syllables{"ca",  "sa",  "del",  "riu",  "e",   "ra",   "blan", "quan",
                                  "ar",  "ri",  "ba",   "tar",  "dor", "els",  "bres", "per",
                                  "den", "fu",  "lles", "vent", "por", "ta",   "re",   "cords",
                                  "mun", "nya", "cam",  "lli",  "bre", "llum", "fos",  "gent",
                                  "ni",  "tat", "ment", "ço",   "mar", "pla",  "ter",  "vol"};

QByteArray word(QRandomGenerator &random) {
    QByteArray text;
    const int count = 1 + int(random.bounded(4));
    for (int i = 0; i < count; ++i) {
        text += Syllables[random.bounded(Syllables.size())];
    }
    return text;
}

// A sentence of words drawn from `random`, with a capital and a full stop.
QByteArray sentence(QRandomGenerator &random) {
    QByteArray text;
    const int count = 6 + int(random.bounded(14));
    for (int i = 0; i < count; ++i) {
        text += (i == 0 ? QByteArray() : QByteArray(" ")) + word(random);
    }
    text[0] = char(std::toupper(static_cast<unsigned char>(text[0])));
    return text + '.';
}

QByteArray chapter(QRandomGenerator &random, int number) {
    QByteArray body = "<h1>Capítol " + QByteArray::number(number) + "</h1>";
    for (int p = 0; p < 400; ++p) {
        body += "<p>";
        for (int s = 0; s < 5; ++s) {
            body += sentence(random) + ' ';
        }
        body += "</p>";
    }
    return body;
}

// Chapters of `rawBytes` of markup in all.
QList<QByteArray> chapters(qint64 rawBytes) {
    QRandomGenerator random(14);
    QList<QByteArray> made;
    qint64 total = 0;
    while (total < rawBytes) {
        made.append(chapter(random, int(made.size()) + 1));
        total += made.constLast().size();
    }
    return made;
}

// Written twice: once to learn how well the text compresses, once at the size.
bool makeEpub(const QString &path) {
    const qint64 guess = 3 * EpubTarget;
    if (!BookMaker::writeZip(path, BookMaker::epubEntries(chapters(guess)))) {
        return false;
    }
    const double ratio = double(QFileInfo(path).size()) / double(guess);
    return BookMaker::writeZip(path, BookMaker::epubEntries(chapters(qint64(EpubTarget / ratio))));
}

bool makePdf(const QString &path) {
    QRandomGenerator random(14);
    QList<QList<QByteArray>> pages;
    for (int p = 0; p < PdfPages; ++p) {
        QList<QByteArray> lines{"Historia del riu " + QByteArray::number(p + 1), ""};
        for (int l = 0; l < LinesPerPage; ++l) {
            QByteArray line;
            while (line.size() < 70) {
                line += word(random) + ' ';
            }
            lines.append(line.trimmed() + (l % 8 == 7 ? "." : ""));
        }
        lines.append(QByteArray::number(p + 1));
        pages.append(lines);
    }
    return BookMaker::writeFile(path, BookMaker::pdf(pages));
}

double millisecondsSince(const QElapsedTimer &timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

// What keeping the structure adds to a first opening: putting it in order,
// writing it out and into its cache file (its recording by the extractor, in the
// same walk as the text, is part of the extraction above).
void structureShare(const QString &book, const QString &cacheFolder) {
    const Extracted extracted = Extraction::extractBook(book);
    QList<double> kept;
    QByteArray bytes;
    for (int i = 0; i < FirstRuns; ++i) {
        BookStructure structure = extracted.structure;
        QElapsedTimer timer;
        timer.start();
        structure.finish(extracted.text.size());
        bytes = structure.serialized();
        QFile file(cacheFolder + QStringLiteral("/structure-copy"));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.flush() || ::fsync(file.handle()) != 0) {
            std::printf("  cannot write the structure\n");
            return;
        }
        file.close();
        kept.append(millisecondsSince(timer));
        file.remove();
    }
    std::sort(kept.begin(), kept.end());
    std::printf("  its structure: %lld headings, %lld pages, %lld bytes, kept in median %.2f ms\n",
                qint64(extracted.structure.headingCount()), qint64(extracted.structure.pageCount()),
                qint64(bytes.size()), kept[FirstRuns / 2]);
}

// Opens `book` through a fresh cache folder FirstRuns times (extraction and the
// write), then Runs times cached; prints the median and range in milliseconds.
void measure(const char *what, const QString &book, const QString &cacheFolder) {
    QList<double> first;
    QList<double> firstCpu;
    BookText text;
    for (int i = 0; i < FirstRuns; ++i) {
        QDir(cacheFolder).removeRecursively();
        const std::clock_t cpu = std::clock();
        QElapsedTimer timer;
        timer.start();
        text = BookCache(cacheFolder).textOf(book);
        first.append(millisecondsSince(timer));
        firstCpu.append(double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC);
    }
    QList<double> cached;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const BookText again = BookCache(cacheFolder).textOf(book);
        cached.append(millisecondsSince(timer));
        if (again.path != text.path) {
            std::printf("%s: the cached text moved\n", what);
        }
    }
    std::sort(first.begin(), first.end());
    std::sort(firstCpu.begin(), firstCpu.end());
    std::sort(cached.begin(), cached.end());
    std::printf("%s: book %.1f MB, text %.1f MB%s\n", what,
                double(QFileInfo(book).size()) / 1048576.0,
                double(QFileInfo(text.path).size()) / 1048576.0,
                text.status == ExtractionStatus::Ok ? "" : "  REFUSED");
    std::printf("  first opening: median %.0f ms (%.0f - %.0f, %d runs), CPU %.0f ms\n",
                first[FirstRuns / 2], first.constFirst(), first.constLast(), FirstRuns,
                firstCpu[FirstRuns / 2]);
    std::printf("  cached: median %.3f ms (%.3f - %.3f, %d runs)\n", cached[Runs / 2],
                cached.constFirst(), cached.constLast(), Runs);
    structureShare(book, cacheFolder);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const QString epub = folder + QStringLiteral("/gran.epub");
    const QString pdf = folder + QStringLiteral("/gran.pdf");
    if (!makeEpub(epub) || !makePdf(pdf)) {
        std::fprintf(stderr, "cannot write the books in %s\n", qPrintable(folder));
        return 1;
    }
    measure("EPUB, 10 MB", epub, folder + QStringLiteral("/cache-epub"));
    measure("PDF, 500 pages", pdf, folder + QStringLiteral("/cache-pdf"));
    return 0;
}
