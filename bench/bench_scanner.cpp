// Throughput and memory of the sentence scanner on a large generated book.
//
//   bench_scanner [book size in bytes, default 1 GiB] [boundary-free stretch, default 100 MB]
//   bench_scanner keys [book size in bytes, default 2 GiB]
//
// The second form measures how long a key can wait: every scanner call runs on
// the user-interface thread, so a key pressed during one is answered after it.
// It times the calls a reader makes (the first sentence, the sentences after it,
// a step back from the end, a resume in the middle) on a book without any full
// stop and on a book of prose, and takes the longest single call of each kind.
//
// Writes the books into $TMPDIR (or /tmp) and deletes them at the end. Each
// measurement runs in a child process of its own so that its peak resident memory
// (getrusage maxrss) is its own; the figure to watch is how far it rises above
// the idle child's, and that it does not grow with the book.

#include "SentenceScanner.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A small fast generator, so that writing the book costs little.
struct Random {
    quint64 state = 0x2545F4914F6CDD1DULL;
    quint32 next(quint32 bound) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<quint32>(state % bound);
    }
};

const char *const Words[] = {
    "la",     "casa", "de",    "tortuga", "mar",     "llibre", "vent",  "camí",     "i",
    "que",    "una",  "nit",   "sol",     "sobre",   "amb",    "per",   "sense",    "aigua",
    "ciutat", "gent", "temps", "el",      "paraula", "veu",    "llum",  "porta",    "mans",
    "dies",   "3.5",  "anys",  "terra",   "ombra",   "riu",    "pedra", "muntanya", "plaça",
};

// Ordinary prose: sentences of 5 to 24 words, with commas, a decimal number now
// and then, ended by a full stop and a blank or a line end.
void writeSentence(std::string &out, Random &random) {
    const int words = 5 + static_cast<int>(random.next(20));
    for (int w = 0; w < words; ++w) {
        std::string word = Words[random.next(std::size(Words))];
        if (w == 0) {
            word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
        } else {
            out += ' ';
        }
        out += word;
        if (w + 1 < words && random.next(8) == 0) {
            out += ',';
        }
    }
    out += '.';
    out += random.next(10) == 0 ? '\n' : ' ';
}

bool writeProse(const QString &path, qint64 size, qint64 boundaryFree) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    Random random;
    std::string chunk;
    qint64 written = 0;
    const qint64 proseEnd = size - boundaryFree;
    while (written < size) {
        chunk.clear();
        while (chunk.size() < (1 << 20)) {
            if (written + static_cast<qint64>(chunk.size()) >= proseEnd) {
                chunk.append(std::min<qint64>(1 << 20, size - written), 'a'); // no full stop
                break;
            }
            writeSentence(chunk, random);
        }
        const qint64 length = std::min<qint64>(static_cast<qint64>(chunk.size()), size - written);
        if (file.write(chunk.data(), length) != length) {
            return false;
        }
        written += length;
    }
    return true;
}

// Lines of words without a single full stop, as a log or a book exported
// without punctuation: by the full-stop rule alone, one sentence of the whole file.
bool writeFlat(const QString &path, qint64 size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    Random random;
    std::string chunk;
    for (qint64 written = 0; written < size;) {
        chunk.clear();
        while (chunk.size() < (1 << 20)) {
            writeSentence(chunk, random);
        }
        std::replace(chunk.begin(), chunk.end(), '.', ',');
        const qint64 length = std::min<qint64>(static_cast<qint64>(chunk.size()), size - written);
        if (file.write(chunk.data(), length) != length) {
            return false;
        }
        written += length;
    }
    return true;
}

struct Figures {
    double seconds = 0;
    double count = 0; // sentences, or a position
    long maxRssKiB = 0;
};

// Runs `work` in a child; the child sends its figures through a pipe.
Figures inChild(const std::function<Figures()> &work) {
    int fds[2];
    if (pipe(fds) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const pid_t child = fork();
    if (child == 0) {
        ::close(fds[0]);
        Figures figures = work();
        struct rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        figures.maxRssKiB = usage.ru_maxrss;
        const bool sent = write(fds[1], &figures, sizeof figures) == sizeof figures;
        _exit(sent ? 0 : 1);
    }
    ::close(fds[1]);
    Figures figures;
    const bool received = read(fds[0], &figures, sizeof figures) == sizeof figures;
    ::close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "a measurement failed\n");
        std::exit(1);
    }
    return figures;
}

Figures scanWholeBook(const QString &path) {
    qint64 readPosition = 0;
    qint64 sentenceStart = 0;
    SentenceScanner scanner(readPosition, sentenceStart);
    const Clock::time_point start = Clock::now();
    if (scanner.open(path) != BookFile::OpenStatus::Opened) {
        std::exit(2);
    }
    Figures figures;
    ScanResult result = ScanResult::Sentence;
    while (result == ScanResult::Sentence) {
        result = scanner.ScanSentence();
        figures.count += 1;
    }
    figures.seconds = secondsSince(start);
    return result == ScanResult::EndOfBook ? figures : Figures{-1, 0, 0};
}

Figures firstSentenceAt(const QString &path, qint64 position) {
    qint64 readPosition = position;
    qint64 sentenceStart = 0;
    const Clock::time_point start = Clock::now();
    SentenceScanner scanner(readPosition, sentenceStart);
    if (scanner.open(path) != BookFile::OpenStatus::Opened) {
        std::exit(2);
    }
    const ScanResult result = scanner.ScanSentence();
    Figures figures{secondsSince(start), static_cast<double>(scanner.SentenceText().size()), 0};
    return result == ScanResult::ReadError ? Figures{-1, 0, 0} : figures;
}

Figures stepBackFrom(const QString &path, qint64 sentenceStart) {
    qint64 readPosition = -1;
    const Clock::time_point start = Clock::now();
    const bool stepped = StepBackOneSentence(path, sentenceStart, false, readPosition);
    return Figures{stepped ? secondsSince(start) : -1, static_cast<double>(readPosition), 0};
}

double catSeconds(const QString &path) {
    const std::string command = "cat '" + QFile::encodeName(path).toStdString() + "' > /dev/null";
    const Clock::time_point start = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::exit(3);
    }
    return secondsSince(start);
}

struct Summary {
    double median, low, high;
};

Summary summarise(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

void report(const char *what, const std::vector<Figures> &runs, double perSecondUnits,
            const char *unit, qint64 bytes) {
    std::vector<double> seconds;
    long rss = 0;
    for (const Figures &f : runs) {
        if (f.seconds < 0) {
            std::fprintf(stderr, "%s failed\n", what);
            std::exit(1);
        }
        seconds.push_back(f.seconds);
        rss = std::max(rss, f.maxRssKiB);
    }
    const Summary s = summarise(seconds);
    std::printf("%-42s median %10.3f ms (%.3f-%.3f, %zu runs)", what, s.median * 1e3, s.low * 1e3,
                s.high * 1e3, runs.size());
    if (perSecondUnits > 0) {
        std::printf("  %.0f %s/s", perSecondUnits / s.median, unit);
    }
    if (bytes > 0) {
        std::printf("  %.0f MB/s", bytes / 1e6 / s.median);
    }
    if (rss > 0) {
        std::printf("  maxrss %ld KiB", rss);
    }
    std::printf("\n");
}

// The longest of up to `calls` sentences read from `position` on in one run (the
// first call includes opening the book); count is that sentence's length.
Figures longestSentenceCall(const QString &path, qint64 position, int calls) {
    qint64 readPosition = position;
    qint64 sentenceStart = 0;
    SentenceScanner scanner(readPosition, sentenceStart);
    Clock::time_point start = Clock::now();
    if (scanner.open(path) != BookFile::OpenStatus::Opened) {
        std::exit(2);
    }
    Figures worst;
    ScanResult result = ScanResult::Sentence;
    for (int call = 0; call < calls && result == ScanResult::Sentence; ++call) {
        result = scanner.ScanSentence();
        const double took = secondsSince(start);
        if (took > worst.seconds) {
            worst = Figures{took, static_cast<double>(scanner.SentenceText().size()), 0};
        }
        start = Clock::now();
    }
    return result == ScanResult::ReadError ? Figures{-1, 0, 0} : worst;
}

// A step back from `from` and the first sentence of the run after it: the longer
// of the two calls; count is how far back the step went.
Figures stepBackAndRead(const QString &path, qint64 from) {
    qint64 readPosition = from;
    const Clock::time_point start = Clock::now();
    if (!StepBackOneSentence(path, from, false, readPosition)) {
        return Figures{-1, 0, 0};
    }
    const double back = secondsSince(start);
    const Figures next = longestSentenceCall(path, readPosition, 1);
    return Figures{std::max(back, next.seconds), static_cast<double>(from - readPosition), 0};
}

void measureKeys(const char *name, const QString &path, qint64 size) {
    const std::vector<std::pair<const char *, std::function<Figures()>>> calls = {
        {"first sentence", [&] { return longestSentenceCall(path, 0, 1); }},
        {"longest of 2000 sentences", [&] { return longestSentenceCall(path, 0, 2000); }},
        {"step back from the end, read", [&] { return stepBackAndRead(path, size - 1); }},
        {"resume in the middle", [&] { return longestSentenceCall(path, size / 2, 1); }},
    };
    for (const auto &[what, work] : calls) {
        std::vector<Figures> runs;
        for (int run = 0; run < 3; ++run) {
            runs.push_back(inChild(work));
        }
        const std::string label = std::string(name) + ": " + what;
        report(label.c_str(), runs, 0, "", 0);
        std::printf("%-42s %.0f bytes\n", "  ... sentence (or step) length", runs.front().count);
    }
}

int keysMain(const QString &folder, qint64 size) {
    const QString pid = QString::number(getpid());
    const QString flat =
        folder + QStringLiteral("/bench_keys_flat_") + pid + QStringLiteral(".txt");
    const QString prose =
        folder + QStringLiteral("/bench_keys_prose_") + pid + QStringLiteral(".txt");
    std::printf("writing two %lld-byte books in %s\n", static_cast<long long>(size),
                qPrintable(folder));
    const bool written = writeFlat(flat, size) && writeProse(prose, size, 0);
    if (written) {
        catSeconds(flat);
        catSeconds(prose);
        const Figures idle = inChild([] { return Figures{}; });
        std::printf("%-42s maxrss %ld KiB\n", "idle child (baseline)", idle.maxRssKiB);
        measureKeys("no full stop", flat, size);
        measureKeys("prose", prose, size);
    }
    QFile::remove(flat);
    QFile::remove(prose);
    return written ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    const char *tmp = std::getenv("TMPDIR");
    const QString folder = QFile::decodeName(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
    if (argc > 1 && std::string(argv[1]) == "keys") {
        return keysMain(folder, argc > 2 ? std::atoll(argv[2]) : (qint64(2) << 30));
    }
    const qint64 size = argc > 1 ? std::atoll(argv[1]) : (qint64(1) << 30);
    const qint64 stretch = argc > 2 ? std::atoll(argv[2]) : qint64(100000000);
    if (size < 4096 || stretch < 2) {
        std::fprintf(stderr, "usage: %s [book bytes >= 4096] [stretch bytes]\n", argv[0]);
        return 2;
    }
    const QString pid = QString::number(getpid());
    const QString book =
        folder + QStringLiteral("/bench_scanner_book_") + pid + QStringLiteral(".txt");
    const QString flat =
        folder + QStringLiteral("/bench_scanner_flat_") + pid + QStringLiteral(".txt");

    std::printf("writing a %lld-byte book and a %lld-byte boundary-free one in %s\n",
                static_cast<long long>(size), static_cast<long long>(stretch + 4096),
                qPrintable(folder));
    if (!writeProse(book, size, 0) || !writeProse(flat, stretch + 4096, stretch)) {
        std::fprintf(stderr, "cannot write the books\n");
        QFile::remove(book);
        QFile::remove(flat);
        return 1;
    }
    catSeconds(book); // both readers start from a warm page cache

    const Figures idle = inChild([] { return Figures{}; });
    std::printf("%-42s maxrss %ld KiB\n", "idle child (baseline)", idle.maxRssKiB);

    std::vector<Figures> cat, scan, resume, back;
    for (int run = 0; run < 3; ++run) {
        cat.push_back(Figures{catSeconds(book), 0, 0});
        scan.push_back(inChild([&] { return scanWholeBook(book); }));
    }
    report("cat book > /dev/null", cat, 0, "", size);
    report("forward scan, whole book", scan, scan.front().count, "sentences", size);
    std::printf("%-42s %.0f\n", "sentences in the book", scan.front().count);

    for (int run = 0; run < 15; ++run) {
        resume.push_back(inChild([&] { return firstSentenceAt(book, size - 3000); }));
    }
    report("open at a saved position near the end", resume, 0, "", 0);

    // The last sentence start of the flat book is just after its single boundary.
    for (int run = 0; run < 5; ++run) {
        back.push_back(inChild([&] { return stepBackFrom(flat, stretch + 4096 - 1); }));
    }
    report("step back over the boundary-free stretch", back, 0, "", stretch);
    std::printf("%-42s %.0f\n", "  ... landed at offset", back.front().count);

    QFile::remove(book);
    QFile::remove(flat);
    return 0;
}
