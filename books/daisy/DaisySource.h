#pragma once

#include "AudioClip.h"
#include "ZipArchive.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

// The files of one DAISY book, in its folder or in a zip of it, named as the
// book's own files name each other: relative to the folder of its package file
// (the ncc.html of a DAISY 2.02 book, the .opf of a DAISY 3 book), with "." and
// ".." resolved and any fragment dropped. Names that differ from the files' only
// in letter case are found too, as books made on other systems need.
//
// Every read is bounded, and a zip draws all its reads from one budget, so that
// a zip bomb or a huge file stops at the bound. Not thread-safe.
class DaisySource {
public:
    enum class Kind { None, Daisy202, Daisy3 };

    // Opens the book whose package is `path` (an ncc.html in any letter case, a
    // .opf), or the book inside the zip at `path` (its first ncc.html, else its
    // first .opf). False when there is no such file or zip.
    bool open(const QString &path);

    Kind kind() const { return m_kind; }
    // The package's name, relative to the book's folder (its file name).
    QString packageName() const { return m_package; }
    bool zipped() const { return m_zip != nullptr; }

    // `href` (percent-encoded, maybe with a fragment) relative to the folder of
    // the file `from` (a name as this class gives them), as a name of the book.
    static QString resolve(const QString &from, const QString &href);

    ZipArchive::Read read(const QString &name, qint64 limit, QByteArray &bytes);
    bool exists(const QString &name);
    // The clip of the recording `name` from `beginMs` to `endMs` (-1: its end),
    // as the player finds it: an absolute path, or an entry of the zip.
    AudioClip clip(const QString &name, qint64 beginMs, qint64 endMs);

private:
    QString actualName(const QString &name);
    QString lookUp(const QString &name);
    static constexpr qsizetype MaxKnownNames = 100'000;

    Kind m_kind = Kind::None;
    QString m_zipPath;
    QString m_folder;  // the book's folder, or the package's folder inside the zip
    QString m_package; // relative to m_folder
    std::unique_ptr<ZipArchive> m_zip;
    QHash<QString, QHash<QString, QString>> m_namesByFolder; // lower case -> actual
    QHash<QString, QString> m_actualNames;                   // as named -> actual
};
