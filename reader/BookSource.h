#pragma once

#include "BookCache.h"

#include <QString>
#include <QtGlobal>

#include <future>

// Between the reader and the books library: which file a reading run reads for
// the current text, and what is said when a book gives none.
//
// A plain-text book is read as it is, byte for byte; every other book (and UTF-16
// text) through its extracted text in the cache, while its position stays saved
// under the book's own path. UI thread only.

// The file to read for the text at `bookPath`; the clipboard's file is always
// read as it is. Extracts the book the first time (this can take a moment for a
// large book); afterwards a look-up of the cache.
BookText textForReading(const QString &bookPath, bool clipboard);

// The text of a book being opened, extracted on a worker thread while the
// user-interface thread keeps dispatching events (speech, keys, timers), so that
// a large book's announcement is not held up by its extraction. A plain-text
// book is looked at at once, on the calling thread. The worker touches nothing
// but the book, the cache folder and its own result; the destructor waits for
// it.
class TextPreparation {
public:
    explicit TextPreparation(const QString &bookPath);
    ~TextPreparation();
    TextPreparation(const TextPreparation &) = delete;
    TextPreparation &operator=(const TextPreparation &) = delete;

    // Dispatches events until the text is ready or `ms` have passed; true when
    // it is ready.
    bool waitFor(int ms);
    // Dispatches events until the text is ready, and returns it.
    BookText result();

private:
    bool ready() const;

    std::future<BookText> m_worker;
    BookText m_result;
    bool m_done = false;
};

// Speaks why the book named `spokenName` cannot be read: the name, then the
// cannot-open, protected or no-text reason, lower-cased (A to Z) like the
// cannot-open text always was. Returns at once.
void speakRefusal(const QString &spokenName, ExtractionStatus why);

// `position` when it is a sentence start in the text at `textPath` as the
// sentence scanner sees it (0, the separator after a sentence's full stop, a cut
// point of a long stretch, or the byte after such a separator or blank),
// otherwise the nearest sentence start before it, found by reading a few
// kilobytes back from `position`. A position at or past the end, or a text that cannot be read,
// stays as it is: the reading run treats it as the end of the book.
qint64 sentenceStartAtOrBefore(const QString &textPath, qint64 position);
