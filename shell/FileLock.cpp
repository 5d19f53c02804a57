#include "FileLock.h"

#include "FileDescriptor.h"

#include <QFile>

#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/file.h>
#include <system_error>
#include <thread>

namespace {

// What the waiting FileLock and its helper thread share. The FileLock takes the
// descriptor once it is locked; otherwise the descriptor closes with the last of
// the two to let go of this.
struct PendingLock {
    enum class State { Waiting, Locked, Failed, Abandoned };
    std::mutex mutex;
    std::condition_variable settled;
    State state = State::Waiting;
    FileDescriptor fd;
};

// Runs on a detached helper thread; touches nothing but `pending`. Blocks in
// flock() until the lock is free, then hands the locked descriptor to the waiting
// FileLock or, if that one has given up, closes it, which releases the lock.
void takeLockBlocking(const std::shared_ptr<PendingLock> &pending) {
    int result = 0;
    do {
        result = ::flock(pending->fd.get(), LOCK_EX);
    } while (result != 0 && errno == EINTR);

    const std::lock_guard guard(pending->mutex);
    if (pending->state == PendingLock::State::Abandoned) {
        pending->fd.close(); // releases the lock at once
        return;
    }
    pending->state = result == 0 ? PendingLock::State::Locked : PendingLock::State::Failed;
    pending->settled.notify_one();
}

// Takes the lock on `fd` within `timeout`. Returns the locked descriptor, or
// none when the lock could not be taken in time (the helper thread then closes
// `fd` once it gets the lock).
FileDescriptor takeLockWithin(FileDescriptor fd, std::chrono::milliseconds timeout) {
    auto pending = std::make_shared<PendingLock>();
    pending->fd = std::move(fd);
    try {
        std::thread([pending] { takeLockBlocking(pending); }).detach();
    } catch (const std::system_error &) {
        return {};
    }
    std::unique_lock guard(pending->mutex);
    const bool settled = pending->settled.wait_for(
        guard, timeout, [&] { return pending->state != PendingLock::State::Waiting; });
    if (!settled) {
        pending->state = PendingLock::State::Abandoned;
        return {};
    }
    if (pending->state == PendingLock::State::Failed) {
        return {};
    }
    return std::move(pending->fd);
}

} // namespace

FileLock::FileLock(const QString &lockFilePath, std::chrono::milliseconds timeout) {
    FileDescriptor fd(
        ::open(QFile::encodeName(lockFilePath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd.isOpen()) {
        return;
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
        m_fd = std::move(fd);
        return;
    }
    if (errno != EWOULDBLOCK) {
        return;
    }
    m_fd = takeLockWithin(std::move(fd), timeout);
}

FileLock::~FileLock() = default; // closing the descriptor releases the lock
