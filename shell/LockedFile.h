#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <chrono>
#include <functional>
#include <optional>

// A small file of the program that is read whole and replaced whole, never held
// open: the settings file and the bookmark file share this one piece.
//
// read() gives the file's bytes: empty when it does not exist, nullopt when it
// exists but cannot be read, is not a regular file (a FIFO would block the read
// for ever) or is larger than the size limit.
//
// update() creates the folder (and its parents, mode 0700) when needed, takes the
// lock that every running copy shares (lockPath()), removes the temporary files
// that killed writes left beside the file, reads the file, lets `edit` make the
// new content from it and replaces the file with that, all or nothing: the bytes
// go to a temporary file in the same folder (mode 0600), reach the disk, and only
// then take the file's name. A file that cannot be read is never replaced. A
// symbolic link is followed, so that a file linked from elsewhere stays linked.
// Keeps no state between calls; any one thread per object.
class LockedFile {
public:
    // Makes the new content from the current one (empty for a missing file), or
    // gives nullopt to leave the file as it is (update() then returns false).
    using Edit = std::function<std::optional<QByteArray>(const QByteArray &current)>;

    explicit LockedFile(QString filePath);
    QString path() const { return m_path; }
    // path() with ".lock" added, in the same folder.
    QString lockPath() const;
    // How long an update waits for another copy's update before it gives up and
    // returns false (3 seconds unless set).
    void setLockTimeout(std::chrono::milliseconds timeout) { m_lockTimeout = timeout; }
    // A file larger than this is neither read nor written (no limit unless set).
    void setSizeLimit(qint64 bytes) { m_sizeLimit = bytes; }

    std::optional<QByteArray> read() const;
    // True once the new content has taken the file's place.
    bool update(const Edit &edit);
    // Removes the temporary files that updates killed midway left beside the file
    // (the ".tmp." names an update uses, and only those). Only under the lock, so
    // that an update in progress in another copy keeps its file: when another copy
    // holds the lock nothing is removed and the result is false.
    bool removeLeftoverTemporaryFiles();

private:
    QString m_path;
    std::chrono::milliseconds m_lockTimeout{3000};
    qint64 m_sizeLimit = -1;
};
