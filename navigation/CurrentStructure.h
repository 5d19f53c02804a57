#pragma once

#include "BookStructure.h"
#include "Paragraphs.h"
#include "PhraseTable.h"

#include <QString>

#include <atomic>
#include <future>
#include <memory>
#include <optional>

// The structure of the current book, for the navigation keys. An extracted book's
// comes from the cache beside its text. A plain-text book's (and a UTF-16 one's,
// whose text is extracted) is found by LineStructure's scan the first time the
// book is opened, on a worker thread, and kept in the cache by the same key as an
// extracted text (path, size, modification time); until it is ready, structure()
// is null. The clipboard's text is scanned too, and never cached.
//
// UI thread only, but for the worker, which touches only the text file, the cache
// folder and its own result. The destructor asks a running scan to stop and
// waits for it (a scan stops within one read of 1 MiB).
class CurrentStructure {
public:
    CurrentStructure() = default;
    ~CurrentStructure();
    CurrentStructure(const CurrentStructure &) = delete;
    CurrentStructure &operator=(const CurrentStructure &) = delete;

    // Makes the book at `bookPath` current (nothing when it is already, and the
    // file is unchanged): looks its structure up, or starts the scan.
    void follow(const QString &bookPath, bool clipboard);
    // The structure, once known; null while the scan runs or without a book.
    const BookStructure *structure();

    // A recorded book's phrase table (its durations); null for every other book.
    const PhraseTable *phrases() const { return m_phrases ? &*m_phrases : nullptr; }

    QString textPath() const { return m_textPath; }
    Paragraphs::Kind kind() const { return m_kind; }
    qint64 textSize() const { return m_textSize; }
    bool hasBook() const { return !m_textPath.isEmpty(); }

private:
    void stopScan();

    QString m_bookPath;
    QString m_cacheKey; // the cache file name the book had when followed
    bool m_clipboard = false;
    QString m_textPath;
    Paragraphs::Kind m_kind = Paragraphs::Kind::Extracted;
    qint64 m_textSize = 0;
    std::optional<BookStructure> m_structure;
    std::optional<PhraseTable> m_phrases;
    std::shared_ptr<std::atomic_bool> m_cancel;
    std::future<std::optional<BookStructure>> m_scan;
};
