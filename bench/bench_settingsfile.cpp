// Cost of one settings access as the number of books in the file grows.
//
//   bench_settingsfile [runs per figure, default 31]
//
// For files of 1,000, 10,000 and 100,000 books (in a temporary folder under
// $TMPDIR or /tmp) it times reading a book's position (the middle one and a
// missing one), updating a book's position, and the same update computed in
// memory alone (what is left when the disk's flush is taken away). Each figure is
// the median over the runs, with the fastest and the slowest. The figure to watch
// is that the in-memory costs grow in proportion to the file, not faster; the
// writes also wait for the disk (fsync), which depends on the machine.

#include "IniFormat.h"
#include "SettingsFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Spread {
    double median = 0, fastest = 0, slowest = 0; // milliseconds
};

Spread timeRuns(int runs, const std::function<void(int)> &work) {
    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        work(run);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

QString bookPath(int i) {
    return QStringLiteral("/home/usuari/Llibres/Col·lecció %1/llibre número %2.txt")
        .arg(i / 100)
        .arg(i);
}

QByteArray fileWithBooks(int books) {
    QByteArray bytes = "[Zelvora]\nVelocitat de lectura=140\nLlengua=Catal\xC3\xA0\n";
    for (int i = 0; i < books; ++i) {
        bytes += bookPath(i).toUtf8() + '=' + QByteArray::number(qint64(i) * 4096) + '\n';
    }
    return bytes;
}

void print(const char *what, int books, const Spread &spread) {
    std::printf("%-28s %7d books  median %9.3f ms  fastest %9.3f  slowest %9.3f\n", what, books,
                spread.median, spread.fastest, spread.slowest);
}

} // namespace

int main(int argc, char *argv[]) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fputs("cannot create a temporary folder\n", stderr);
        return 1;
    }
    const QString path = folder.filePath(QStringLiteral("Tirova2001.ini"));
    for (const int books : {1000, 10000, 100000}) {
        const QByteArray bytes = fileWithBooks(books);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size()) {
            std::fputs("cannot write the settings file\n", stderr);
            return 1;
        }
        file.close();
        SettingsFile settings(path);
        const QString middle = bookPath(books / 2);
        qint64 sink = 0;
        print("read, middle book", books,
              timeRuns(runs, [&](int) { sink += settings.readBookPosition(middle); }));
        print("read, missing book", books, timeRuns(runs, [&](int) {
                  sink += settings.readBookPosition(QStringLiteral("/no/hi/és.txt"));
              }));
        print("write, middle book", books,
              timeRuns(runs, [&](int run) { sink += settings.writeBookPosition(middle, run); }));
        const QByteArray key = middle.toUtf8();
        print("update in memory, middle", books, timeRuns(runs, [&](int run) {
                  sink += IniFormat::withValue(bytes, "Zelvora", key, IniFormat::KeyMatch::Exact,
                                               QByteArray::number(run))
                              .size();
              }));
        if (sink == 42) {
            std::puts(""); // keeps the work from being optimised away
        }
    }
    return 0;
}
