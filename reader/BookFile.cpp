#include "BookFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

BookFile::OpenStatus statusOf(const struct stat &info) {
    return S_ISREG(info.st_mode) ? BookFile::OpenStatus::Opened
                                 : BookFile::OpenStatus::NotRegularFile;
}

BookFile::Identity identityFrom(const struct stat &info) {
    return BookFile::Identity{
        static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino),
        static_cast<qint64>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec, true};
}

} // namespace

BookFile::BookFile() = default;

BookFile::~BookFile() {
    close();
}

BookFile::OpenStatus BookFile::probe(const QString &path) {
    if (path.isEmpty()) {
        return OpenStatus::CannotOpen;
    }
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return OpenStatus::CannotOpen;
    }
    return statusOf(info);
}

BookFile::Identity BookFile::identityOf(const QString &path) {
    struct stat info {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return Identity{};
    }
    return identityFrom(info);
}

BookFile::OpenStatus BookFile::open(const QString &path) {
    close();
    // Look before opening: opening a FIFO for reading would wait for a writer, and
    // opening some devices has effects of its own.
    const OpenStatus looked = probe(path);
    if (looked != OpenStatus::Opened) {
        return looked;
    }
    // O_NONBLOCK as well, in case the name was replaced by a FIFO after the look.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return OpenStatus::CannotOpen;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return OpenStatus::CannotOpen;
    }
    if (statusOf(info) != OpenStatus::Opened) {
        ::close(fd);
        return OpenStatus::NotRegularFile;
    }
    m_fd = fd;
    m_size = static_cast<qint64>(info.st_size);
    m_identity = identityFrom(info);
    return OpenStatus::Opened;
}

void BookFile::close() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = -1;
    m_size = 0;
    m_identity = Identity{};
    m_windowStart = 0;
    m_windowLength = 0;
}

bool BookFile::fill(qint64 start) {
    m_windowStart = start;
    m_windowLength = 0;
    if (m_fd < 0 || start < 0) {
        return false;
    }
    if (!m_window) {
        m_window = std::make_unique<char[]>(WindowSize);
    }
    while (m_windowLength < WindowSize) {
        const ssize_t got =
            ::pread(m_fd, m_window.get() + m_windowLength,
                    static_cast<size_t>(WindowSize - m_windowLength), start + m_windowLength);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            m_windowLength = 0;
            return false;
        }
        if (got == 0) {
            break; // the end of the file as it is now
        }
        m_windowLength += got;
    }
    return true;
}

int BookFile::refillAndRead(qint64 offset) {
    if (offset < 0) {
        return -1;
    }
    const bool backwards = offset < m_windowStart;
    fill(backwards ? std::max<qint64>(0, offset + 1 - WindowSize) : offset);
    if (!covers(offset)) {
        return -1;
    }
    return static_cast<unsigned char>(m_window[offset - m_windowStart]);
}

const char *BookFile::forwardSpan(qint64 offset, qint64 &available) {
    available = 0;
    if (offset < 0) {
        return nullptr;
    }
    if (!covers(offset)) {
        fill(offset);
        if (!covers(offset)) {
            return nullptr;
        }
    }
    available = m_windowLength - (offset - m_windowStart);
    return m_window.get() + (offset - m_windowStart);
}

const char *BookFile::backwardSpan(qint64 offset, qint64 &first) {
    first = offset;
    if (offset < 0) {
        return nullptr;
    }
    if (!covers(offset)) {
        fill(std::max<qint64>(0, offset + 1 - WindowSize));
        if (!covers(offset)) {
            return nullptr;
        }
    }
    first = m_windowStart;
    return m_window.get();
}
