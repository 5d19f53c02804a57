#pragma once

#include "BookCache.h"
#include "PhraseTable.h"

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// The two kinds of unit a reading run reads: the sentences of an ordinary book,
// spoken by the engine, and the phrases of a recorded book (DAISY audio), whose
// index text has one sentence per phrase and whose phrase table gives each its
// recording. The run scans the index text as any text, so positions, stops,
// stepping back and stop-after-sentence work on phrases unchanged. UI thread only.
class RecordedPhrases {
public:
    // The phrase table of `text`, when it is a recorded book's.
    explicit RecordedPhrases(const BookText &text);

    // Reads the unit just scanned and returns when it is done or a handler has
    // disarmed the status timer: speaks `sentence`, or, in a recorded book,
    // plays the phrase that starts at `sentenceStart` (or one byte before it, as
    // stop-after-sentence mode resumes). The index text of a recorded book is
    // never spoken: a sentence of it without a phrase (the rest of a cut one)
    // plays nothing.
    void readUnit(const QByteArray &sentence, qint64 sentenceStart) const;

private:
    std::optional<PhraseTable> m_table;
};
