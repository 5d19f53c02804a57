#include "LockedFile.h"

#include "FileDescriptor.h"
#include "FileLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Temporary files are named <file>.tmp.XXXXXX, beside the file.
constexpr char TemporaryInfix[] = ".tmp.";
constexpr qsizetype TemporaryRandomLength = 6;

// Reads `fd` to its end; nullopt on a read error or once past `limit` (-1: none).
std::optional<QByteArray> readToEnd(int fd, qsizetype expectedSize, qint64 limit) {
    QByteArray buffer(expectedSize + 1, Qt::Uninitialized);
    qsizetype size = 0;
    for (;;) {
        if (limit >= 0 && size > limit) {
            return std::nullopt; // grew while being read
        }
        if (size == buffer.size()) {
            buffer.resize(buffer.size() * 2);
        }
        const ssize_t got = ::read(fd, buffer.data() + size, size_t(buffer.size() - size));
        if (got == 0) {
            buffer.truncate(size);
            return buffer;
        }
        if (got > 0) {
            size += got;
        } else if (errno != EINTR) {
            return std::nullopt;
        }
    }
}

std::optional<QByteArray> readWholeFile(const QByteArray &path, qint64 limit) {
    const FileDescriptor file(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.isOpen()) {
        return errno == ENOENT ? std::optional<QByteArray>(QByteArray()) : std::nullopt;
    }
    struct stat info {};
    std::optional<QByteArray> bytes;
    if (::fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode) &&
        (limit < 0 || info.st_size <= limit)) {
        bytes = readToEnd(file.get(), qsizetype(info.st_size), limit);
    }
    return bytes;
}

// Creates `folder` and any missing parent, each with mode 0700.
bool ensureFolder(const QByteArray &folder) {
    struct stat info {};
    if (::stat(folder.constData(), &info) == 0) {
        return S_ISDIR(info.st_mode);
    }
    if (errno != ENOENT) {
        return false;
    }
    const qsizetype slash = folder.lastIndexOf('/');
    if (slash > 0 && !ensureFolder(folder.first(slash))) {
        return false;
    }
    return ::mkdir(folder.constData(), 0700) == 0 || errno == EEXIST;
}

void syncFolderOf(const QByteArray &path) {
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? path.first(slash) : QByteArray(slash == 0 ? "/" : ".");
    const FileDescriptor handle(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.isOpen()) {
        ::fsync(handle.get()); // makes the rename itself survive a power cut; best effort
    }
}

// Replaces `target` by a file holding `content`, all or nothing: the bytes go to a
// temporary file beside it, reach the disk, and only then take its name.
bool replaceFile(const QByteArray &target, QByteArrayView content) {
    QByteArray temporary = target + TemporaryInfix + QByteArray(TemporaryRandomLength, 'X');
    FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file.isOpen()) {
        return false;
    }
    bool written = ::fchmod(file.get(), 0600) == 0 && writeAll(file.get(), content) &&
                   ::fsync(file.get()) == 0;
    written = file.close() && written;
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    syncFolderOf(target);
    return true;
}

// Removes temporary files left by a writer that was killed mid-write. Called with
// the lock held, when no other writer can be using one.
void removeLeftoverTemporaries(const QString &target) {
    const QFileInfo info(target);
    const QString prefix = info.fileName() + QLatin1String(TemporaryInfix);
    const QDir folder = info.dir();
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (name.size() == prefix.size() + TemporaryRandomLength && name.startsWith(prefix)) {
            QFile::remove(folder.filePath(name));
        }
    }
}

// The file an update replaces: the target of a symbolic link.
QString replacedFile(const QString &path) {
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty()) {
            return target;
        }
    }
    return path;
}

} // namespace

LockedFile::LockedFile(QString filePath) : m_path(std::move(filePath)) {}

QString LockedFile::lockPath() const {
    return m_path + QStringLiteral(".lock");
}

std::optional<QByteArray> LockedFile::read() const {
    return readWholeFile(QFile::encodeName(m_path), m_sizeLimit);
}

bool LockedFile::update(const Edit &edit) {
    if (!ensureFolder(QFile::encodeName(QFileInfo(m_path).absolutePath()))) {
        return false;
    }
    const FileLock lock(lockPath(), m_lockTimeout);
    if (!lock.isLocked()) {
        return false;
    }
    const QString target = replacedFile(m_path);
    removeLeftoverTemporaries(target);
    const QByteArray targetName = QFile::encodeName(target);
    const std::optional<QByteArray> current = readWholeFile(targetName, m_sizeLimit);
    if (!current) {
        return false; // never replace what could not be read
    }
    const std::optional<QByteArray> content = edit(*current);
    if (!content || (m_sizeLimit >= 0 && content->size() > m_sizeLimit)) {
        return false;
    }
    return replaceFile(targetName, *content);
}

bool LockedFile::removeLeftoverTemporaryFiles() {
    if (!QFileInfo(m_path).absoluteDir().exists()) {
        return true; // no folder, nothing left over; not created just for this
    }
    const FileLock lock(lockPath(), std::chrono::milliseconds(0));
    if (!lock.isLocked()) {
        return false;
    }
    removeLeftoverTemporaries(replacedFile(m_path));
    return true;
}
