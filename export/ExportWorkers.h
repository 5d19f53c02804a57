#pragma once

#include "ChapterWriter.h"
#include "ExportOptions.h"

#include <sys/types.h>

#include <csignal>
#include <functional>
#include <optional>
#include <vector>

// Worker processes, one chapter each, at most `jobs` at a time. espeak-ng and
// Festival keep global state and are not thread-safe, so each worker is a process
// with an engine of its own, forked from this one (which has no threads and has
// loaded no engine), niced by 10 so that a reading session on the same machine is
// not starved. A worker reports through a pipe, exits with its chapter's outcome
// and is sent SIGTERM if this process dies first.
class ExportWorkers {
public:
    // What a worker says, in one atomic write to the pipe.
    struct Report {
        qint32 chapter = 0;
        qint32 sampleRate = 0;
        qint64 offset = 0;
        qint64 samples = 0;
    };
    // A worker that ended: its chapter and outcome (WorkerExit).
    struct Ended {
        int chapter = 0;
        int status = 0;
    };
    // Worker exit statuses.
    static constexpr int Written = 0;
    static constexpr int Failed = 1;
    static constexpr int Refused = 3; // the engine cannot synthesise to memory
    static constexpr int Unloadable = 4;
    static constexpr int Stopped = 130;

    ExportWorkers(const ExportOptions &options, std::vector<ChapterJob> jobs);
    ~ExportWorkers();

    // Starts workers until `jobs` run or none is left.
    void startMore();
    bool finished() const { return m_next >= m_jobs.size() && m_running.empty(); }
    // The pipe to poll for reports.
    int reportFd() const { return m_reports[0]; }
    // The reports that have arrived (the pipe is non-blocking).
    std::vector<Report> readReports();
    // Workers that have ended since the last call.
    std::vector<Ended> reap();
    // Starts no more and sends SIGTERM to those running; wait() then waits for them.
    void stop();
    void wait();
    const ChapterJob &job(int chapter) const { return m_jobs[size_t(chapter)]; }

    // Runs `work` in a child process set up as a worker (no sound device) and
    // returns what it returned; nullopt when the child could not run or died.
    // For anything that loads an engine, which must never happen in this process.
    static std::optional<QByteArray> inChild(const std::function<QByteArray()> &work);

    // Whether `library` can synthesise to memory, tried in a child process:
    // Written, Refused or Unloadable.
    static int probe(const QString &library);

private:
    [[noreturn]] void runWorker(size_t index);

    ExportOptions m_options;
    std::vector<ChapterJob> m_jobs;
    size_t m_next = 0;
    std::vector<std::pair<pid_t, int>> m_running; // pid, chapter
    int m_reports[2] = {-1, -1};
    int m_maxJobs = 1;
};
