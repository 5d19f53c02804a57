#pragma once

#include "LockedFile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <chrono>
#include <utility>

// The settings file "Tirova2001.ini": speaking speed, language and, for every book,
// the byte offset at which its reading resumes. One section, "Zelvora"; every
// access is one key, read or written on its own, and the file is never held open.
//
// Reading gives the text "NO" for a missing file, section or key, and at most 49
// bytes of a value. Writing creates the folder, file and section when needed,
// updates a key in place and keeps every other line; it is atomic (a temporary
// file in the same folder, flushed and renamed), serialised between running copies
// by a lock, and the file has mode 0600. Keys that would break the line structure
// are escaped, so no path can create or change another key or section. A failed
// write returns false and leaves the file as it was.
class SettingsFile {
public:
    static constexpr const char *SpeedKey = "Velocitat de lectura";
    static constexpr const char *LanguageKey = "Llengua";

    explicit SettingsFile(QString filePath);
    // $XDG_CONFIG_HOME/zelvora/Tirova2001.ini (normally ~/.config/zelvora/).
    static QString defaultPath();
    QString path() const { return m_file.path(); }
    // The lock file writers share: path() with ".lock" added, in the same folder.
    QString lockPath() const;
    // How long a write waits for another copy's write before it gives up and
    // returns false (3 seconds unless set).
    void setLockTimeout(std::chrono::milliseconds timeout) { m_file.setLockTimeout(timeout); }

    QByteArray readValue(const QString &key) const;
    bool writeValue(const QString &key, const QByteArray &value);
    // Writes every key, in the order given, in one locked replacement of the file:
    // a crash leaves either all the new values or all the old ones. Nothing is
    // written (false) when a key is empty or a value cannot be stored.
    bool writeValues(const QList<std::pair<QString, QByteArray>> &values);
    // Removes the temporary files that writes killed midway left beside the file
    // (the ".tmp." names a write uses, and only those). Only under the lock, so a
    // write in progress in another copy keeps its file: when another copy holds
    // the lock nothing is removed and the result is false; its next write cleans.
    bool removeLeftoverTemporaryFiles();

    // The typed accesses of the program. A value that is missing, "NO" or not a
    // decimal integer reads as the default: speed 140, position 0.
    int readReadingSpeed() const;
    bool storedLanguageIsSpanish() const; // "Castellà" exactly (UTF-8 or Windows-1252)
    qint64 readBookPosition(const QString &bookPath) const;
    bool writeBookPosition(const QString &bookPath, qint64 position);
    bool writeReadingSpeed(int speed);
    bool writeLanguage(bool catalanActive); // "Català" or "Castellà", in UTF-8
    // The exit's values in one write: the book's position (unless `bookPath` is
    // empty), then the speed, then the language.
    bool writeExitSettings(const QString &bookPath, qint64 position, int speed, bool catalanActive);

private:
    LockedFile m_file; // the write under the lock and the atomic replacement
};

// The settings file the program uses, at defaultPath() as it was at first use.
SettingsFile &Settings();
