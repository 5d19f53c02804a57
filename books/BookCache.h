#pragma once

#include "Extraction.h"

#include <QString>

// Where the text the reader reads for a book lives.
struct BookText {
    ExtractionStatus status = ExtractionStatus::CannotOpen;
    // The file the sentence scanner reads: the book itself for plain text, its
    // cache file for every other format.
    QString path;
    bool extracted = false;
    // For a recorded book (DAISY audio), the file of its PhraseTable in the
    // cache, beside the index text at `path`; empty for every other book.
    QString phrases;
};

// The cache of extracted texts: one file per book in a private folder
// ($XDG_CACHE_HOME/zelvora, else ~/.cache/zelvora; mode 0700), named by a hash of
// the book's path, size and modification time and of Extraction::Version, so that
// a changed book or extractor gets a new file and never an old text. Each file is
// written once, mode 0600, through a temporary file renamed into place, so a
// crash never leaves a half text under a cache name.
//
// When the folder grows past its limit after a write, the files used least
// recently (their modification time, renewed at every use) are removed until it
// is within the limit again; the file just used always stays. Temporary files
// left by a crash are removed after an hour.
//
// Beside each text lies its structure (headings, pages, metadata), in a file of
// the same name with the suffix ".structure", written first, so that a text in
// the cache always has its structure and both go when the entry is trimmed. A
// plain-text book (read in place, or UTF-16 and so extracted) has a structure found
// by scanning its lines, kept in a file with the suffix ".lines". An entry whose
// structure is missing or damaged is extracted again.
//
// Not thread-safe; two running copies may extract the same book at once, and the
// later rename wins with the same bytes.
class BookCache {
public:
    static constexpr qint64 DefaultLimit = 256LL * 1024 * 1024;

    explicit BookCache(QString folder, qint64 limit = DefaultLimit);

    // $XDG_CACHE_HOME/zelvora when that variable holds an absolute path, else
    // $HOME/.cache/zelvora.
    static QString defaultFolder();

    // The text for the book at `bookPath`. Plain text that is not UTF-16 is its
    // own text (status Ok even when the file is missing: the reader reports
    // that as it always has). Every other book is extracted unless its cache
    // file is there already.
    BookText textOf(const QString &bookPath);

    // The cache file the book at `bookPath` has as the file is now; empty when
    // the book cannot be looked at.
    QString cachePathOf(const QString &bookPath) const;

    // Which structure of a book: its extractor's, or the one a scan of a plain
    // text's lines found.
    enum class Found { ByExtractor, ByLineScan };
    // The structure kept for the book at `bookPath` as the file is now; nullopt
    // when there is none (not yet found, or the book changed since) or it is
    // damaged.
    std::optional<BookStructure> structureOf(const QString &bookPath,
                                             Found found = Found::ByExtractor) const;
    // Keeps the line scan's `structure` for the book at `bookPath`, then trims
    // the folder. False when it cannot be written.
    bool keepLineStructure(const QString &bookPath, const BookStructure &structure);

    QString folder() const { return m_folder; }

    static constexpr QStringView StructureSuffix = u".structure";
    static constexpr QStringView LinesSuffix = u".lines";

private:
    bool write(const QString &target, const QByteArray &text) const;
    void trim(const QString &keep) const;
    static QString structurePathFor(const QString &cachePath, Found found = Found::ByExtractor);

    QString m_folder;
    qint64 m_limit;
};
