// How much processor time WaitPumping(2000) burns against the time it waits, and
// how close the wait comes to the 2000 ms asked: the wait must sleep while nothing
// is pending (a polling wait burns a whole core) and must not end early.
//
// Usage: bench_waitpumping [runs]   (7 runs per case by default)
// Two cases: an empty queue, and a queue kept busy by a 10 ms timer (a key
// repeat, say). Prints the median, minimum and maximum of each figure.
#include "UnitUPCTV.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

constexpr int WaitMs = 2000;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Run {
    double wallMs;
    double cpuMs;
};

Run measureOnce() {
    QElapsedTimer clock;
    const double cpuBefore = cpuSeconds();
    clock.start();
    WaitPumping(WaitMs);
    const double wallMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    return {wallMs, (cpuSeconds() - cpuBefore) * 1000.0};
}

void printFigure(const char *label, QList<double> values, const char *unit) {
    std::sort(values.begin(), values.end());
    const double median = values[values.size() / 2];
    std::printf("  %-26s median %9.3f %s   min %9.3f   max %9.3f\n", label, median, unit,
                values.constFirst(), values.constLast());
}

void runCase(const char *name, int runs, int busyTimerMs) {
    QTimer busy;
    int ticks = 0;
    QObject::connect(&busy, &QTimer::timeout, [&ticks] { ++ticks; });
    if (busyTimerMs > 0) {
        busy.start(busyTimerMs);
    }
    QList<double> wall, overshoot, cpu, cpuShare;
    for (int i = 0; i < runs; ++i) {
        const Run run = measureOnce();
        wall.append(run.wallMs);
        overshoot.append(run.wallMs - WaitMs);
        cpu.append(run.cpuMs);
        cpuShare.append(100.0 * run.cpuMs / run.wallMs);
    }
    std::printf("WaitPumping(%d), %s, %d runs%s\n", WaitMs, name, runs,
                busyTimerMs > 0
                    ? qPrintable(QStringLiteral(", %1 timer events dispatched").arg(ticks))
                    : "");
    printFigure("wall time", wall, "ms");
    printFigure("wall time - 2000 ms", overshoot, "ms");
    printFigure("CPU time (user+sys)", cpu, "ms");
    printFigure("CPU time / wall time", cpuShare, "% ");
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    runCase("empty queue", runs, 0);
    runCase("10 ms timer running", runs, 10);
    return 0;
}
