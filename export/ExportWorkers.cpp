#include "ExportWorkers.h"

#include "FileDescriptor.h"
#include "StopSignals.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// In a new worker: stop on SIGINT or SIGTERM (also when the coordinator dies),
// no death by a closed pipe, and a low priority.
void becomeWorker() {
    StopSignals::catchBoth();
    signal(SIGPIPE, SIG_IGN);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (nice(10) == -1 && errno != 0)
        std::perror("zelvora: nice");
    // The engines open no sound device when they write to a file instead.
    setenv("UPCTV_WAV_FILE", "/dev/null", 1);
    setenv("UPCTV_WAV_PACE", "0", 1);
}

int processors() {
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? int(count) : 1;
}

int loadEngine(SynthesisEngine &engine, const ExportOptions &options) {
    const SynthesisEngine::Status status =
        engine.load(options.library, options.speed, options.catalan);
    if (status == SynthesisEngine::Status::CannotLoad) {
        std::fprintf(stderr, "zelvora: cannot load the speech engine: %s\n",
                     engine.error().toLocal8Bit().constData());
        return ExportWorkers::Unloadable;
    }
    return status == SynthesisEngine::Status::Ready ? ExportWorkers::Written
                                                    : ExportWorkers::Refused;
}

} // namespace

ExportWorkers::ExportWorkers(const ExportOptions &options, std::vector<ChapterJob> jobs)
    : m_options(options), m_jobs(std::move(jobs)),
      m_maxJobs(options.jobs > 0 ? options.jobs : processors()) {
    if (pipe2(m_reports, O_CLOEXEC | O_NONBLOCK) != 0)
        m_reports[0] = m_reports[1] = -1;
}

ExportWorkers::~ExportWorkers() {
    stop();
    wait();
    for (int fd : m_reports)
        if (fd >= 0)
            close(fd);
}

void ExportWorkers::startMore() {
    while (m_next < m_jobs.size() && int(m_running.size()) < m_maxJobs) {
        std::fflush(nullptr);
        const pid_t pid = fork();
        if (pid == 0)
            runWorker(m_next);
        if (pid < 0) {
            std::perror("zelvora: cannot start a worker");
            m_next = m_jobs.size();
            return;
        }
        m_running.emplace_back(pid, int(m_next));
        ++m_next;
    }
}

void ExportWorkers::runWorker(size_t index) {
    becomeWorker();
    close(m_reports[0]);
    const ChapterJob &job = m_jobs[index];
    SynthesisEngine engine;
    const int loaded = loadEngine(engine, m_options);
    if (loaded != Written)
        _exit(loaded);
    const int fd = m_reports[1];
    Report report{qint32(index), qint32(engine.sampleRate()), job.chapter.start, 0};
    const ChapterProgress progress = [&](qint64 offset, qint64 samples) {
        report.offset = offset;
        report.samples = samples;
        (void)!::write(fd, &report, sizeof report); // a lost report only delays the display
    };
    QString error;
    const ChapterOutcome outcome = writeChapter(engine, job, StopSignals::flag(), progress, error);
    if (outcome == ChapterOutcome::Stopped)
        _exit(Stopped);
    if (outcome != ChapterOutcome::Written) {
        std::fprintf(stderr, "zelvora: cannot write %s: %s\n",
                     job.finalPath.toLocal8Bit().constData(), error.toLocal8Bit().constData());
        std::fflush(stderr);
        _exit(Failed);
    }
    _exit(Written);
}

std::vector<ExportWorkers::Report> ExportWorkers::readReports() {
    std::vector<Report> reports;
    Report report;
    while (::read(m_reports[0], &report, sizeof report) == ssize_t(sizeof report))
        reports.push_back(report);
    return reports;
}

std::vector<ExportWorkers::Ended> ExportWorkers::reap() {
    std::vector<Ended> ended;
    for (auto it = m_running.begin(); it != m_running.end();) {
        int status = 0;
        if (waitpid(it->first, &status, WNOHANG) != it->first) {
            ++it;
            continue;
        }
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : Failed;
        ended.push_back({it->second, code});
        it = m_running.erase(it);
    }
    return ended;
}

void ExportWorkers::stop() {
    m_next = m_jobs.size();
    for (const auto &[pid, chapter] : m_running)
        kill(pid, SIGTERM);
}

void ExportWorkers::wait() {
    for (const auto &[pid, chapter] : m_running)
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    m_running.clear();
}

int ExportWorkers::probe(const QString &library) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        becomeWorker();
        SynthesisEngine engine;
        ExportOptions options;
        options.library = library;
        _exit(loadEngine(engine, options));
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return Unloadable;
    return WEXITSTATUS(status);
}

std::optional<QByteArray> ExportWorkers::inChild(const std::function<QByteArray()> &work) {
    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0)
        return std::nullopt;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        becomeWorker();
        close(channel[0]);
        const QByteArray answer = work();
        writeAll(channel[1], answer);
        std::fflush(nullptr);
        _exit(0);
    }
    close(channel[1]);
    QByteArray answer;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(channel[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
        if (got > 0)
            answer.append(buffer, got);
    close(channel[0]);
    int status = 0;
    const bool ran =
        pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return ran ? std::optional<QByteArray>(answer) : std::nullopt;
}
