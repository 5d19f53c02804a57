// How long the book chooser takes to open a large folder and be ready for keys.
//
//   bench_chooser [books, default 20000] [subfolders, default 2000] [runs, default 11]
//
// Builds a folder of books ("*.txt") and subfolders under $TMPDIR (or /tmp), then
// times, run after run, the folder list opening it with the file list following,
// up to the moment the pending events (layout, painting) have been handled, so a
// key pressed then is answered at once. Prints the median and the spread, the
// share of the folder reading alone, and the peak resident memory. The tree is
// deleted at the end.

#include "FileListBox.h"
#include "FolderListBox.h"
#include "FolderScan.h"
#include "PathRules.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/resource.h>
#include <vector>

namespace {

long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct Figures {
    double median;
    double fastest;
    double slowest;
};

Figures timeRuns(int runs, const std::function<void()> &before,
                 const std::function<void()> &measured) {
    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
        before();
        QElapsedTimer timer;
        timer.start();
        measured();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

void print(const char *what, const Figures &figures) {
    std::printf("%-44s median %8.1f ms   (fastest %.1f, slowest %.1f)\n", what, figures.median,
                figures.fastest, figures.slowest);
}

bool buildTree(const QString &big, const QString &small, int books, int folders) {
    if (!QDir().mkpath(big) || !QDir().mkpath(small)) {
        return false;
    }
    for (int book = 0; book < books; ++book) {
        // Mixed case, so the sort has to fold.
        const QString name = QStringLiteral("%1ibre %2.%3")
                                 .arg(book % 2 ? u'L' : u'l')
                                 .arg(book, 5, 10, QLatin1Char('0'))
                                 .arg(book % 3 ? QStringLiteral("txt") : QStringLiteral("TXT"));
        QFile file(big + u'/' + name);
        if (!file.open(QIODevice::WriteOnly)) {
            return false;
        }
    }
    for (int folder = 0; folder < folders; ++folder) {
        if (!QDir(big).mkdir(QStringLiteral("Carpeta %1").arg(folder, 4, 10, QLatin1Char('0')))) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const int books = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int folders = argc > 2 ? std::atoi(argv[2]) : 2000;
    const int runs = std::max(1, argc > 3 ? std::atoi(argv[3]) : 11);
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("gran"));
    const QString small = dir.filePath(QStringLiteral("petita"));
    if (!dir.isValid() || !buildTree(big, small, books, folders)) {
        std::fprintf(stderr, "bench_chooser: cannot build the folder tree\n");
        return 1;
    }
    std::printf("folder: %d books, %d subfolders; %d runs\n", books, folders, runs);
    const long idleKiB = peakResidentKiB();

    QWidget window;
    auto *folderList = new FolderListBox(&window);
    auto *fileList = new FileListBox(&window);
    fileList->setMask(QStringLiteral("*.txt"));
    folderList->setFileList(fileList);
    fileList->setGeometry(8, 14, 161, 171);
    folderList->setGeometry(176, 14, 161, 155);
    window.show();
    QApplication::processEvents();

    const QStringList patterns = PathRules::maskPatterns(fileList->Mask());
    QStringList names;
    print("reading the books alone",
          timeRuns(
              runs, [] {}, [&] { FolderScan::matchingFiles(big, patterns, names); }));
    print("reading the subfolders alone",
          timeRuns(
              runs, [] {}, [&] { FolderScan::subfolders(big, names); }));
    print("opening the folder, ready for keys", timeRuns(
                                                    runs, [&] { folderList->ChangeFolder(small); },
                                                    [&] {
                                                        folderList->ChangeFolder(big);
                                                        QApplication::processEvents();
                                                    }));
    if (fileList->count() != books || folderList->subfolders().size() != folders) {
        std::fprintf(stderr, "bench_chooser: the lists show %d books and %d subfolders\n",
                     int(fileList->count()), int(folderList->subfolders().size()));
        return 1;
    }
    std::printf("peak resident memory: %ld KiB (%ld KiB before the lists were made)\n",
                peakResidentKiB(), idleKiB);
    return 0;
}
