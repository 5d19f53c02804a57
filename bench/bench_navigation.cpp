// The navigation keys on a very large plain-text book: the line scan that finds
// its structure, the structure's size, and the time from a key to its answer.
//
//   build/bin/bench_navigation [MiB]     (default 2048)
//
// Writes, in a temporary folder that it removes at the end, a text of that many
// MiB with 100,000 headings (one "PART" every ten chapters) and 1,000,000 pages
// (form feeds), then:
// - times the first opening's structure scan on its worker, and how long a key
//   takes to answer meanwhile ("still being read");
// - prints the structure's size in memory (entries) and on disk (cache file);
// - for Page Down/Up at every level, I and G, at 500 random positions each:
//   the time from the key's hook call to its answer, plus the sentence scan at
//   the target that the reading run does before it speaks (median and worst).
#include "BookCache.h"
#include "NavigationWiring.h"
#include "ReaderState.h"
#include "SentenceScanner.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int Pages = 1000000;
constexpr int PagesPerChapter = 10;

bool writeBook(const QString &path, qint64 bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const qint64 perPage = bytes / Pages;
    const QByteArray sentence = "El riu baixava tranquil entre els pollancres de la vora. ";
    QByteArray page;
    for (int p = 0; p < Pages; ++p) {
        page.clear();
        if (p % PagesPerChapter == 0) {
            const int chapter = p / PagesPerChapter + 1;
            if (chapter % 10 == 1) {
                page += "\n\nPART " + QByteArray::number(chapter / 10 + 1) + "\n";
            }
            page += "\n\nCHAPTER " + QByteArray::number(chapter) + "\n\n";
        }
        while (page.size() + sentence.size() + 3 < perPage) {
            page += sentence;
            if (page.size() % 700 < sentence.size()) {
                page += "\n\n";
            }
        }
        page += "\n\f";
        if (file.write(page) != page.size()) {
            return false;
        }
    }
    return true;
}

struct Figures {
    std::vector<double> ms;
    void add(double value) { ms.push_back(value); }
    void print(const char *what) {
        std::sort(ms.begin(), ms.end());
        std::printf("%-28s median %6.3f ms   worst %6.3f ms   (%zu keys)\n", what,
                    ms[ms.size() / 2], ms.back(), ms.size());
    }
};

// The resident memory of this process, in bytes.
qint64 residentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    return 0;
}

// The reading run's first step at `target`: one sentence scanned.
void scanAt(const QString &path, qint64 target) {
    qint64 read = target;
    qint64 start = target;
    SentenceScanner scanner(read, start);
    if (scanner.open(path) == BookFile::OpenStatus::Opened) {
        scanner.ScanSentence();
    }
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 2048;
    QTemporaryDir dir;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.path()));
    const QString book = dir.filePath(QStringLiteral("gran.txt"));
    QElapsedTimer clock;
    clock.start();
    if (!writeBook(book, mib * 1024 * 1024)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(book));
        return 1;
    }
    const qint64 size = QFile(book).size();
    std::printf("book: %lld bytes, written in %.1f s\n", size, clock.elapsed() / 1000.0);

    ShellHooks hooks;
    std::vector<qint64> marks;
    std::mt19937_64 random(42);
    for (int i = 0; i < 1000; ++i) {
        marks.push_back(qint64(random() % quint64(size)));
    }
    addNavigationHooks(hooks, [&marks] { return marks; });
    ReaderState &state = State();
    state.BookPath = book;
    state.BookTitle = QStringLiteral("gran");
    state.BookFinished = false;

    Figures pending;
    const qint64 residentBefore = residentBytes();
    clock.restart();
    QElapsedTimer opened;
    opened.start();
    hooks.bookOpened();
    std::printf("the opening's bookOpened hook (the scan started): %.3f ms\n",
                opened.nsecsElapsed() / 1e6);
    while (hooks.whereAmI(0).startsWith("Encara")) {
        QElapsedTimer key;
        key.start();
        hooks.navigationStep(0, true);
        pending.add(key.nsecsElapsed() / 1e6);
        QThread::msleep(50);
    }
    std::printf("structure scan: %.1f s\n", clock.elapsed() / 1000.0);
    pending.print("a key during the scan");

    qint64 onDisk = 0;
    for (QDirIterator it(dir.path() + QStringLiteral("/zelvora"), QDir::Files); it.hasNext();) {
        onDisk += it.nextFileInfo().size();
    }
    // What the structure holds, and what the process grew by (the scan's
    // freed buffers included, which the allocator may keep).
    const qint64 grown = residentBytes() - residentBefore;
    hooks.whereAmI(0);
    std::printf("resident memory grew by %lld bytes (%.3f %% of the text)\n", grown,
                100.0 * grown / size);
    std::optional<BookStructure> kept =
        BookCache(BookCache::defaultFolder()).structureOf(book, BookCache::Found::ByLineScan);
    if (!kept) {
        std::fprintf(stderr, "no structure in the cache\n");
        return 1;
    }
    kept->finish(size); // as the scan leaves it
    const qint64 inMemory = kept->memoryBytes();
    std::printf("structure: %lld bytes in memory (%.3f %% of the text), %lld on disk "
                "(%.3f %%)\n",
                inMemory, 100.0 * inMemory / size, onDisk, 100.0 * onDisk / size);

    const char *levels[] = {"Page Down/Up, level 1",   "Page Down/Up, level 2",
                            "Page Down/Up, pages",     "Page Down/Up, paragraphs",
                            "Page Down/Up, sentences", "Page Down/Up, bookmarks"};
    for (const char *level : levels) {
        Figures keys;
        for (int i = 0; i < 500; ++i) {
            const qint64 from = qint64(random() % quint64(size));
            QElapsedTimer key;
            key.start();
            const NavigationAnswer answer = hooks.navigationStep(from, i % 2 == 0);
            if (answer.target >= 0) {
                scanAt(book, answer.target);
            }
            keys.add(key.nsecsElapsed() / 1e6);
        }
        keys.print(level);
        hooks.nextNavigationLevel();
    }
    Figures where;
    Figures goTo;
    for (int i = 0; i < 500; ++i) {
        const qint64 from = qint64(random() % quint64(size));
        QElapsedTimer key;
        key.start();
        hooks.whereAmI(from);
        where.add(key.nsecsElapsed() / 1e6);
        key.restart();
        const NavigationAnswer answer = hooks.goToNumber(qint64(random() % Pages) + 1);
        scanAt(book, answer.target);
        goTo.add(key.nsecsElapsed() / 1e6);
    }
    where.print("I (where am I)");
    goTo.print("G, a page, Enter");
    return 0;
}
