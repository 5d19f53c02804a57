#include "FolderScan.h"

#include "PathRules.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>

FolderResult FolderResult::fromErrno() {
    return failure(QString::fromLocal8Bit(std::strerror(errno)));
}

namespace {

enum class EntryType { Folder, RegularFile, Other };

// Closes the folder stream however the read ends.
class DirStream {
public:
    explicit DirStream(const QString &folder) : m_dir(::opendir(QFile::encodeName(folder))) {}
    ~DirStream() {
        if (m_dir != nullptr) {
            ::closedir(m_dir);
        }
    }
    DirStream(const DirStream &) = delete;
    DirStream &operator=(const DirStream &) = delete;
    DIR *get() const { return m_dir; }

private:
    DIR *m_dir;
};

// The type of an entry, following links; a stat only when the folder's file
// system did not say, or for a link.
EntryType typeOf(DIR *dir, const dirent *entry) {
    switch (entry->d_type) {
    case DT_DIR:
        return EntryType::Folder;
    case DT_REG:
        return EntryType::RegularFile;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return EntryType::Other;
    }
    struct stat info {};
    if (::fstatat(::dirfd(dir), entry->d_name, &info, 0) != 0) {
        return EntryType::Other; // a dangling link, or gone meanwhile
    }
    if (S_ISDIR(info.st_mode)) {
        return EntryType::Folder;
    }
    return S_ISREG(info.st_mode) ? EntryType::RegularFile : EntryType::Other;
}

// Reads every entry of `folder`; `keep` sees the decoded name and decides, with
// the entry's type computed only when it asks for it.
FolderResult
scan(const QString &folder, QStringList &names,
     const std::function<bool(const QString &, const std::function<EntryType()> &)> &keep) {
    DirStream stream(folder);
    if (stream.get() == nullptr) {
        return FolderResult::fromErrno();
    }
    QStringList found;
    for (;;) {
        errno = 0; // readdir sets it only on a failure, never at the end
        const dirent *entry = ::readdir(stream.get());
        if (entry == nullptr) {
            break;
        }
        // File names are UTF-8 here (QFile::encodeName); one that is not could not
        // be named again to open it.
        const QByteArrayView raw(entry->d_name);
        if (!raw.isValidUtf8()) {
            continue;
        }
        const QString name = QString::fromUtf8(raw);
        if (keep(name, [&stream, entry] { return typeOf(stream.get(), entry); })) {
            found.append(name);
        }
    }
    if (errno != 0) {
        return FolderResult::fromErrno();
    }
    PathRules::sortWithoutCase(found);
    names = std::move(found);
    return {};
}

} // namespace

namespace FolderScan {

FolderResult subfolders(const QString &folder, QStringList &names) {
    return scan(folder, names, [](const QString &name, const std::function<EntryType()> &type) {
        return !PathRules::isHiddenFolderName(name) && type() == EntryType::Folder;
    });
}

FolderResult matchingFiles(const QString &folder, const QStringList &patterns, QStringList &names) {
    return scan(
        folder, names, [&patterns](const QString &name, const std::function<EntryType()> &type) {
            return !PathRules::isHiddenFileName(name) && PathRules::matchesMask(patterns, name) &&
                   type() == EntryType::RegularFile;
        });
}

} // namespace FolderScan
