#include "ClipboardFile.h"

#include "FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char *NamePattern = "/zelvora-carpeta-XXXXXX.txt";
constexpr int NameSuffixLength = 4; // ".txt", after the random part

} // namespace

ClipboardFile::~ClipboardFile() {
    remove();
}

QString ClipboardFile::preferredFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) {
        return runtime;
    }
    return QDir::tempPath();
}

// Creates the file with mkstemps (O_CREAT | O_EXCL, mode 0600) and writes `text`
// through the descriptor it returned, so that the bytes go to the file that was
// created and nowhere else. Returns the path, or empty with nothing left behind.
QString ClipboardFile::createIn(const QString &folder, const QByteArray &text, dev_t &device,
                                ino_t &inode) {
    // Only a real folder will do: QDir::tempPath() is empty when $TMPDIR names no
    // folder, and an empty or relative folder would put the file somewhere else.
    if (!QDir::isAbsolutePath(folder)) {
        return QString();
    }
    QByteArray name = QFile::encodeName(folder) + NamePattern;
    FileDescriptor file(::mkstemps(name.data(), NameSuffixLength));
    if (!file.isOpen()) {
        return QString();
    }
    struct stat identity {};
    const bool written = writeAll(file.get(), text) && ::fstat(file.get(), &identity) == 0;
    if (!file.close() || !written) {
        ::unlink(name.constData());
        return QString();
    }
    device = identity.st_dev;
    inode = identity.st_ino;
    return QFile::decodeName(name);
}

QString ClipboardFile::replace(const QByteArray &text) {
    dev_t device = 0;
    ino_t inode = 0;
    const QString preferred = preferredFolder();
    QString created = createIn(preferred, text, device, inode);
    // A runtime folder that refuses the file (full, not ours) still leaves the
    // temporary folder.
    if (created.isEmpty() && preferred != QDir::tempPath()) {
        created = createIn(QDir::tempPath(), text, device, inode);
    }
    if (created.isEmpty()) {
        return QString();
    }
    remove();
    m_path = created;
    m_device = device;
    m_inode = inode;
    return m_path;
}

void ClipboardFile::remove() {
    if (m_path.isEmpty()) {
        return;
    }
    const QByteArray name = QFile::encodeName(m_path);
    struct stat now {};
    if (::lstat(name.constData(), &now) == 0 && now.st_dev == m_device && now.st_ino == m_inode) {
        ::unlink(name.constData());
    }
    m_path.clear();
}

ClipboardFile &TheClipboardFile() {
    static ClipboardFile file;
    return file;
}
