#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// The private temporary file that holds the clipboard's text while it is read.
//
// The file is created exclusively (never over an existing file) with mode 0600,
// under a name nobody else can guess, in $XDG_RUNTIME_DIR when that names a
// folder, else in the temporary folder ($TMPDIR, else /tmp). Nothing is ever
// written in the user's own folders, so no file of theirs can be replaced or
// deleted. Only the latest file is remembered; it is removed only while it is
// still the very file made here (same device and inode), so a file that someone
// put in its place later is left alone. UI thread only.
class ClipboardFile {
public:
    ClipboardFile() = default;
    ~ClipboardFile();
    ClipboardFile(const ClipboardFile &) = delete;
    ClipboardFile &operator=(const ClipboardFile &) = delete;

    // Writes `text` byte for byte to a new file and, once it is complete, removes
    // the previous one. Returns the new file's path, or an empty string when no
    // file could be created or written: then nothing is left behind and the
    // previous file stays as it was.
    QString replace(const QByteArray &text);

    // Removes the file made last, if it is still there; a missing file is no error.
    void remove();

    // The file made last (empty before the first, and after remove()).
    QString path() const { return m_path; }

    // Where new files go: $XDG_RUNTIME_DIR when it is an absolute path naming a
    // folder, otherwise the temporary folder (empty when $TMPDIR names no folder:
    // then no file is made).
    static QString preferredFolder();

private:
    static QString createIn(const QString &folder, const QByteArray &text, dev_t &device,
                            ino_t &inode);

    QString m_path;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};

// The one clipboard file of the program.
ClipboardFile &TheClipboardFile();
