#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

struct zip;

// A zip file (EPUB, DOCX, ODT) opened read-only through libzip, whose entries are
// read whole by name with a bound on what they inflate to: the sizes the archive
// declares are not trusted, the bytes are counted as they come, so a zip bomb
// stops at the bound. Every read also draws on one budget for the whole archive.
class ZipArchive {
public:
    enum class Read {
        Ok,
        Missing,  // no entry of that name
        TooLarge, // the entry or the archive's budget would inflate past its bound
        Broken,   // a read or checksum error: a truncated or damaged archive
    };

    static constexpr qint64 DefaultBudget = 256 * 1024 * 1024;

    explicit ZipArchive(qint64 budget = DefaultBudget) : m_budget(budget) {}
    ~ZipArchive();
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    // False when the file is not a zip archive libzip can read (a truncated one
    // has lost its central directory).
    bool open(const QString &path);

    bool contains(const QByteArray &name) const { return indexOf(name) >= 0; }
    // The entry `name` (exact, else without regard to case), at most `limit` bytes.
    Read read(const QByteArray &name, qint64 limit, QByteArray &bytes);
    // The name of the first entry ending with `suffix` (without regard to case).
    QByteArray firstNameEndingWith(const QByteArray &suffix) const;
    // The names of the first `most` entries ending with `suffix` (without regard
    // to case), in archive order; the resource forks that archivers of macOS add
    // under "__MACOSX/" are not counted.
    QList<QByteArray> namesEndingWith(const QByteArray &suffix, qsizetype most) const;

private:
    qint64 indexOf(const QByteArray &name) const;

    zip *m_zip = nullptr;
    qint64 m_budget;
};
