#pragma once

#include "FileDescriptor.h"

#include <QString>

#include <chrono>

// An exclusive lock on a lock file, shared by every process that opens the same
// file (flock), held for the object's life.
//
// Taking it waits at most `timeout`: a copy of the program that is stopped or
// stuck while holding the lock must not freeze the others. The wait happens in
// flock() on a short-lived helper thread, so that waiting writers are woken in
// turn as the lock is released instead of racing for it by polling; when the time
// is up the helper thread is left to take the lock and release it at once.
class FileLock {
public:
    FileLock(const QString &lockFilePath, std::chrono::milliseconds timeout);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    bool isLocked() const { return m_fd.isOpen(); }

private:
    FileDescriptor m_fd; // the locked lock file, or none
};
