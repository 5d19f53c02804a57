#include "LibraryProbe.h"

#include "UnitUPCTV.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// In the child: the probe's answer on `out`, then the end, with no exit handlers
// (they belong to the parent) and whatever the engine started simply dropped.
[[noreturn]] void probeAndExit(const QString &path, int out) {
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
    }
    setenv("UPCTV_WAV_FILE", "/dev/null", 1);
    setenv("UPCTV_WAV_PACE", "0", 1);
    setenv("SPEECHD_ADDRESS", "unix_socket:/nonexistent/zelvora-probe", 1);
    const QByteArray answer = SpeechService::loadProblem(path).toUtf8();
    const char *data = answer.constData();
    for (qsizetype left = answer.size(); left > 0;) {
        const ssize_t written = write(out, data, static_cast<size_t>(left));
        if (written <= 0)
            break;
        data += written;
        left -= written;
    }
    _exit(0);
}

// Reads the child's answer until it closes its end or `limit` has passed.
bool readAnswer(int in, std::chrono::milliseconds limit, QByteArray &answer) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{in, POLLIN, 0};
        const int polled = poll(&ready, 1, static_cast<int>(std::max<qint64>(left.count(), 0)));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            return false;
        char buffer[512];
        const ssize_t got = read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        answer.append(buffer, got);
    }
}

} // namespace

QString loadProblemInChild(const QString &path, std::chrono::milliseconds limit) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return QStringLiteral("cannot start the check: ") + QString::fromLocal8Bit(strerror(errno));
    const pid_t child = fork();
    const int forkError = errno;
    if (child == 0) {
        close(pipeEnds[0]);
        probeAndExit(path, pipeEnds[1]);
    }
    close(pipeEnds[1]);
    if (child < 0) {
        close(pipeEnds[0]);
        return QStringLiteral("cannot start the check: ") +
               QString::fromLocal8Bit(strerror(forkError));
    }
    QByteArray answer;
    const bool answered = readAnswer(pipeEnds[0], limit, answer);
    close(pipeEnds[0]);
    if (!answered)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!answered)
        return QStringLiteral("no answer while loading");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("the library ended the process while loading");
    return QString::fromUtf8(answer);
}
