#include "FileLock.h"

#include <QFile>

#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/file.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

// What the waiting FileLock and its helper thread share. Whoever settles the
// state last owns the descriptor.
struct PendingLock {
    enum class State { Waiting, Locked, Failed, Abandoned };
    std::mutex mutex;
    std::condition_variable settled;
    State state = State::Waiting;
    int fd = -1;
};

// Runs on a detached helper thread; touches nothing but `pending`. Blocks in
// flock() until the lock is free, then hands the locked descriptor to the waiting
// FileLock or, if that one has given up, closes it, which releases the lock.
void takeLockBlocking(const std::shared_ptr<PendingLock> &pending) {
    int result = 0;
    do {
        result = ::flock(pending->fd, LOCK_EX);
    } while (result != 0 && errno == EINTR);

    const std::lock_guard guard(pending->mutex);
    if (pending->state == PendingLock::State::Abandoned) {
        ::close(pending->fd);
        return;
    }
    pending->state = result == 0 ? PendingLock::State::Locked : PendingLock::State::Failed;
    pending->settled.notify_one();
}

// Takes the lock on `fd` (whose ownership passes here) within `timeout`. Returns
// the locked descriptor, or -1 once the descriptor has been handed off or closed.
int takeLockWithin(int fd, std::chrono::milliseconds timeout) {
    auto pending = std::make_shared<PendingLock>();
    pending->fd = fd;
    try {
        std::thread([pending] { takeLockBlocking(pending); }).detach();
    } catch (const std::system_error &) {
        ::close(fd);
        return -1;
    }
    std::unique_lock guard(pending->mutex);
    const bool settled = pending->settled.wait_for(
        guard, timeout, [&] { return pending->state != PendingLock::State::Waiting; });
    if (!settled) {
        pending->state = PendingLock::State::Abandoned; // the helper thread closes fd
        return -1;
    }
    if (pending->state == PendingLock::State::Failed) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

FileLock::FileLock(const QString &lockFilePath, std::chrono::milliseconds timeout) {
    const int fd =
        ::open(QFile::encodeName(lockFilePath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        m_fd = fd;
        return;
    }
    if (errno != EWOULDBLOCK) {
        ::close(fd);
        return;
    }
    m_fd = takeLockWithin(fd, timeout);
}

FileLock::~FileLock() {
    if (m_fd >= 0) {
        ::close(m_fd); // releases the lock
    }
}
