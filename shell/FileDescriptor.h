#pragma once

#include <QByteArrayView>

#include <utility>

// An open file descriptor that closes itself when it goes. Move-only; -1 stands
// for none. A plain value: any thread may own one.
class FileDescriptor {
public:
    FileDescriptor() = default;
    // Takes `fd` (the result of open(), mkstemp() and the like; -1 for none).
    explicit FileDescriptor(int fd) noexcept : m_fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor &operator=(FileDescriptor &&other) noexcept;
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    // Closes now. False when nothing was open or the close reports an error, which
    // for a file just written means its data may not have reached it.
    bool close();

private:
    int m_fd = -1;
};

// Writes all of `bytes` to `fd`, going on after short writes and interrupted
// calls. False on any other failure (errno says which); part of the bytes may
// have been written then.
bool writeAll(int fd, QByteArrayView bytes);
