#include "ExportRun.h"

#include "BookCache.h"
#include "BookFormat.h"
#include "ExportProgress.h"
#include "ExportWorkers.h"
#include "LineStructure.h"
#include "StopSignals.h"

#include "FileDescriptor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <unistd.h>

namespace {

void printError(const QString &line) {
    std::fprintf(stderr, "zelvora: %s\n", line.toLocal8Bit().constData());
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

struct Book {
    QString textPath;
    BookStructure structure;
    qint64 size = 0;
    QByteArray album;
};

bool isPlainText(const QString &bookPath) {
    const BookFormat format = BookFormats::formatOf(bookPath);
    return format == BookFormat::PlainText || format == BookFormat::Unknown;
}

// A plain text's chapters are its chapter lines, found as the reader finds them
// (and kept in the cache as the reader keeps them).
BookStructure lineStructure(BookCache &cache, const QString &bookPath, const QString &textPath) {
    if (std::optional<BookStructure> kept =
            cache.structureOf(bookPath, BookCache::Found::ByLineScan))
        return std::move(*kept);
    std::optional<BookStructure> found = LineStructure::scan(textPath);
    if (!found)
        return BookStructure();
    cache.keepLineStructure(bookPath, *found);
    return std::move(*found);
}

bool readBook(const ExportOptions &options, Book &book) {
    BookCache cache(BookCache::defaultFolder());
    const BookText text = cache.textOf(options.book);
    Extracted extracted = Extraction::extractBook(options.book);
    if (text.status != ExtractionStatus::Ok || extracted.status != ExtractionStatus::Ok ||
        !QFileInfo(text.path).isFile()) {
        printError(QStringLiteral("cannot read the book %1").arg(options.book));
        return false;
    }
    book.textPath = text.path;
    book.size = QFileInfo(text.path).size();
    book.structure = std::move(extracted.structure);
    if (isPlainText(options.book))
        book.structure = lineStructure(cache, options.book, text.path);
    book.album = book.structure.title;
    if (book.album.isEmpty())
        book.album = QFileInfo(options.book).completeBaseName().toUtf8();
    return true;
}

// Creates the folder and writes a file in it, so that an unwritable folder is
// refused before any work.
bool prepareFolder(const QString &folder) {
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
        printError(QStringLiteral("cannot create the folder %1").arg(folder));
        return false;
    }
    const QByteArray probe = (folder + QStringLiteral("/.zelvora-export-XXXXXX")).toLocal8Bit();
    QByteArray name = probe;
    FileDescriptor fd(mkstemp(name.data()));
    if (!fd.isOpen()) {
        printError(QStringLiteral("cannot write in the folder %1: %2").arg(folder, systemError()));
        return false;
    }
    unlink(name.constData());
    return true;
}

std::vector<ChapterJob> chapterJobs(const ExportOptions &options, const Book &book,
                                    const QString &folder) {
    std::vector<Chapter> chapters = ChapterPlan::fromHeadings(book.structure, book.size);
    if (chapters.empty())
        chapters = ChapterPlan::inParts(book.textPath, ChapterPlan::partBytesAt(options.speed));
    std::vector<ChapterJob> jobs;
    const int total = int(chapters.size());
    for (int i = 0; i < total; ++i) {
        Chapter &chapter = chapters[size_t(i)];
        if (chapter.title.isEmpty())
            chapter.title = (options.catalan ? "Part " : "Parte ") + QByteArray::number(i + 1);
        const QString name =
            ChapterPlan::fileName(i + 1, total, chapter.title, extensionOf(options.format));
        AudioTags tags{
            chapter.title, book.album, book.structure.author, options.catalan ? "ca" : "es",
            i + 1,         total,      chapter.start};
        jobs.push_back(
            {book.textPath, chapter, folder + QLatin1Char('/') + name, options.format, tags});
    }
    return jobs;
}

bool writePlaylist(const QString &folder, const QByteArray &album,
                   const std::vector<ChapterJob> &jobs) {
    QByteArray list = "#EXTM3U\n";
    for (const ChapterJob &job : jobs)
        list += "#EXTINF:-1," + job.tags.title + '\n' +
                QFileInfo(job.finalPath).fileName().toUtf8() + '\n';
    const QString path = folder + QLatin1Char('/') +
                         QString::fromUtf8(ChapterPlan::safeName(album, 95)) +
                         QStringLiteral(".m3u");
    const QByteArray partial = partialPathOf(path).toLocal8Bit();
    FileDescriptor fd(open(partial.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    const bool written = fd.isOpen() && writeAll(fd.get(), list) && fd.close() &&
                         std::rename(partial.constData(), path.toLocal8Bit().constData()) == 0;
    if (!written) {
        printError(QStringLiteral("cannot write %1: %2").arg(path, systemError()));
        unlink(partial.constData());
    }
    return written;
}

} // namespace

QString defaultExportFolder(const QByteArray &album) {
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty())
        music = QDir::homePath() + QStringLiteral("/Music");
    return music + QStringLiteral("/Zelvora/") +
           QString::fromUtf8(ChapterPlan::safeName(album, 100));
}

namespace {

// The figures of the run, from the workers' reports.
class Tracker {
public:
    Tracker(const std::vector<ChapterJob> &all, size_t skipped, qint64 skippedBytes)
        : m_interactive(isatty(STDOUT_FILENO) != 0) {
        m_figures.chapters = int(all.size());
        m_figures.chaptersDone = int(skipped);
        for (const ChapterJob &job : all)
            m_figures.textTotal += job.chapter.end - job.chapter.start;
        m_doneBytes = skippedBytes;
        m_clock.start();
    }

    void report(const ExportWorkers::Report &report, const ChapterJob &job) {
        Live &live = m_live[report.chapter];
        live.text = report.offset - job.chapter.start;
        live.seconds = report.sampleRate > 0 ? double(report.samples) / report.sampleRate : 0;
    }

    void finished(const ChapterJob &job, int chapter) {
        const auto it = m_live.find(chapter);
        if (it != m_live.end()) {
            m_doneSeconds += it->second.seconds;
            m_live.erase(it);
        }
        m_doneBytes += job.chapter.end - job.chapter.start;
        ++m_figures.chaptersDone;
        if (!m_interactive) {
            const QByteArray line =
                ExportProgress::chapterLine(m_figures.chaptersDone, m_figures.chapters,
                                            QFileInfo(job.finalPath).fileName().toUtf8());
            std::printf("%s\n", line.constData());
            std::fflush(stdout);
        }
    }

    // Redraws the bar on a terminal, at most 10 times a second unless `now`.
    void draw(bool now = false) {
        if (!m_interactive || (!now && m_lastDraw.isValid() && m_lastDraw.elapsed() < 100))
            return;
        m_lastDraw.start();
        m_figures.textDone = m_doneBytes;
        m_figures.audioSeconds = m_doneSeconds;
        for (const auto &[chapter, live] : m_live) {
            m_figures.textDone += live.text;
            m_figures.audioSeconds += live.seconds;
        }
        m_figures.elapsedSeconds = double(m_clock.elapsed()) / 1000;
        std::printf("\r%s\033[K", ExportProgress::barLine(m_figures).constData());
        std::fflush(stdout);
    }

    void endLine() {
        if (m_interactive)
            std::printf("\n");
    }

private:
    struct Live {
        qint64 text = 0;
        double seconds = 0;
    };
    bool m_interactive;
    ExportFigures m_figures;
    std::map<int, Live> m_live;
    qint64 m_doneBytes = 0;
    double m_doneSeconds = 0;
    QElapsedTimer m_clock;
    QElapsedTimer m_lastDraw;
};

// Runs the workers to the end, a failure or a stop: an ExportStatus.
int runWorkers(ExportWorkers &workers, Tracker &tracker) {
    int status = ExportStatus::Done;
    workers.startMore();
    while (!workers.finished()) {
        pollfd fd{workers.reportFd(), POLLIN, 0};
        poll(&fd, 1, 100);
        for (const ExportWorkers::Report &report : workers.readReports())
            tracker.report(report, workers.job(report.chapter));
        for (const ExportWorkers::Ended &ended : workers.reap()) {
            if (ended.status == ExportWorkers::Written) {
                tracker.finished(workers.job(ended.chapter), ended.chapter);
            } else if (status == ExportStatus::Done) {
                status = ended.status == ExportWorkers::Stopped ? ExportStatus::Stopped
                                                                : ExportStatus::Failed;
                workers.stop();
            }
        }
        if (StopSignals::flag() != 0 && status == ExportStatus::Done) {
            status = ExportStatus::Stopped;
            workers.stop();
        }
        if (status == ExportStatus::Done)
            workers.startMore();
        tracker.draw();
    }
    tracker.draw(true);
    tracker.endLine();
    return StopSignals::flag() != 0 ? ExportStatus::Stopped : status;
}

// Whether the engine can synthesise to memory, tried in a child process: -1 when
// it can, else the exit status (its reason printed).
int engineProblem(const ExportOptions &options) {
    const int probed = ExportWorkers::probe(options.library);
    if (probed == ExportWorkers::Written)
        return -1;
    if (probed != ExportWorkers::Refused)
        return ExportStatus::Failed;
    printError(QStringLiteral("the engine %1 cannot write audio files; the engines that can are "
                              "espeak and festival (--engine NAME)")
                   .arg(options.engineName.isEmpty() ? options.library : options.engineName));
    return ExportStatus::CannotSynthesise;
}

} // namespace

int runExport(const ExportOptions &options) {
    StopSignals::catchBoth();
    if (const int problem = engineProblem(options); problem >= 0)
        return problem;
    Book book;
    if (!readBook(options, book))
        return ExportStatus::Failed;
    if (book.size == 0) {
        printError(QStringLiteral("the book %1 has no text to export").arg(options.book));
        return ExportStatus::Failed;
    }
    const QString folder =
        options.folder.isEmpty() ? defaultExportFolder(book.album) : options.folder;
    if (!prepareFolder(folder))
        return ExportStatus::Failed;
    const std::vector<ChapterJob> all = chapterJobs(options, book, folder);
    std::vector<ChapterJob> pending;
    qint64 skippedBytes = 0;
    for (const ChapterJob &job : all) {
        if (QFileInfo(job.finalPath).isFile())
            skippedBytes += job.chapter.end - job.chapter.start;
        else
            pending.push_back(job);
    }
    Tracker tracker(all, all.size() - pending.size(), skippedBytes);
    ExportWorkers workers(options, pending);
    const int status = runWorkers(workers, tracker);
    if (status == ExportStatus::Stopped)
        printError(QStringLiteral("export stopped; the finished files are kept in %1").arg(folder));
    if (status != ExportStatus::Done)
        return status;
    if (!writePlaylist(folder, book.album, all))
        return ExportStatus::Failed;
    std::printf("%d files in %s\n", int(all.size()), folder.toLocal8Bit().constData());
    return ExportStatus::Done;
}
