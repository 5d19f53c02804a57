#pragma once

#include <QString>
#include <QStringList>

// The outcome of entering or reading a folder: success, or the reason it failed
// (the system's error text), for the spoken report and standard error.
struct FolderResult {
    bool ok = true;
    QString error;

    static FolderResult failure(const QString &reason) { return {false, reason}; }
    // The failure of the last system call, from errno.
    static FolderResult fromErrno();
    explicit operator bool() const { return ok; }
};

// One read of a folder's entries, without a stat per entry where the entry's
// type is already known: folders with 20,000 books must open at once.
// Names that begin with "." are left out (the one exception, a book named ".txt",
// is PathRules::isHiddenFileName's), and so are names that do not survive the
// trip through the file-name encoding, since they could not be opened again.
namespace FolderScan {

// The subfolders of `folder` (links to folders included), sorted without regard
// to case.
FolderResult subfolders(const QString &folder, QStringList &names);

// The regular files of `folder` (links to regular files included) whose names
// match one of `patterns` (PathRules::maskPatterns), sorted without regard to
// case. FIFOs, devices, sockets and folders never count, whatever their names.
FolderResult matchingFiles(const QString &folder, const QStringList &patterns, QStringList &names);

} // namespace FolderScan
