#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

// One open book file, read-only, with a read window so that the scanner can ask for
// single bytes at explicit offsets, forwards or backwards, at the cost of one
// system call per window rather than per byte. Memory use is one window whatever
// the size of the book.
//
// Only regular files (or links to them) are opened: a FIFO, a folder or a device
// named like a book is refused before anything could block on it. The file is
// opened without any lock, so other programs may read and write it meanwhile; the
// size is taken once, at open. Bytes already in the window are not read again, so
// a change another program makes while the file is open may be seen late; a file
// that has become shorter shows as a failed read once the scanner gets there.
//
// Not thread-safe; the reader uses it on the user-interface thread only. The file
// descriptor is closed by close() or by the destructor.
class BookFile {
public:
    enum class OpenStatus {
        Opened,
        CannotOpen,     // missing, no permission, name too long, any other error
        NotRegularFile, // a folder, FIFO, socket or device
    };

    // The size of the read window; tests step over its edges on purpose.
    static constexpr qint64 WindowSize = 128 * 1024;

    BookFile();
    ~BookFile();
    BookFile(const BookFile &) = delete;
    BookFile &operator=(const BookFile &) = delete;

    // Opens `path` for reading (closing any file open before) and takes its size.
    OpenStatus open(const QString &path);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    // The size in bytes taken at open; 0 when no file is open.
    qint64 size() const { return m_size; }

    // The byte at `offset` (0..255), or -1 when it cannot be read: a negative
    // offset, an offset at or beyond the current end of the file, a read error.
    // A read after a window miss is placed so that the next bytes in the direction
    // of travel are in the window too: after `offset` when the access moved
    // forwards, before it when it moved backwards.
    int byteAt(qint64 offset) {
        const qint64 inWindow = offset - m_windowStart;
        if (inWindow >= 0 && inWindow < m_windowLength) {
            return static_cast<unsigned char>(m_window[inWindow]);
        }
        return refillAndRead(offset);
    }

    // The bytes of the window from `offset` on, after making sure that `offset` is
    // in it (reading forwards). Sets `available` to how many follow from there;
    // returns nullptr when the byte at `offset` cannot be read.
    const char *forwardSpan(qint64 offset, qint64 &available);
    // The bytes of the window up to and including `offset`, after making sure that
    // `offset` is in it (reading backwards). Sets `first` to the offset of the
    // first byte returned; returns nullptr when the byte at `offset` cannot be read.
    const char *backwardSpan(qint64 offset, qint64 &first);

    // Whether `path` names something that open() would accept, without opening it.
    static OpenStatus probe(const QString &path);

    // Which file this is, so that a caller can later tell whether a name still
    // leads to it and not to a file made since under the same name.
    struct Identity {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 modifiedNs = 0;
        bool valid = false;
        bool operator==(const Identity &) const = default;
    };
    // The open file's identity, taken at open; invalid when nothing is open.
    Identity identity() const { return m_identity; }
    // The identity of the file `path` names now; invalid when there is none.
    static Identity identityOf(const QString &path);

private:
    int refillAndRead(qint64 offset);
    bool fill(qint64 start);
    bool covers(qint64 offset) const {
        return offset >= m_windowStart && offset - m_windowStart < m_windowLength;
    }

    int m_fd = -1;
    qint64 m_size = 0;
    Identity m_identity;
    std::unique_ptr<char[]> m_window;
    qint64 m_windowStart = 0;
    qint64 m_windowLength = 0;
};
