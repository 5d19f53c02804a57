#pragma once

#include "BookCache.h"
#include "PhraseTable.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <utility>

// The two kinds of unit a reading run reads: the sentences of an ordinary book,
// spoken by the engine, and the phrases of a recorded book (a recorded DAISY
// book, whose index text has one sentence per phrase, or a narrated EPUB, whose
// phrases start at sentence starts of its own text), whose phrase table gives
// each its recording. The run scans the text as any text, so positions, stops,
// stepping back and stop-after-sentence work on phrases unchanged. One object a
// reading run, UI thread only.
class RecordedPhrases {
public:
    // The phrase table of `text`, when it is a recorded book's.
    explicit RecordedPhrases(const BookText &text);

    // Reads the sentence just scanned, [sentenceStart, sentenceEnd), and returns
    // when it is done or a handler has disarmed the status timer: speaks
    // `sentence`, or, in a recorded book, plays the phrases that start in it (or
    // one byte before it, as stop-after-sentence mode resumes), or speaks it
    // where no recording covers it. A sentence inside a phrase already heard (the
    // rest of a cut one, or a narrated paragraph's next sentence) is not read at
    // all: false then, so that the run does not count it as a unit.
    bool readUnit(const QByteArray &sentence, qint64 sentenceStart, qint64 sentenceEnd);

    // Whether the sentence [sentenceStart, sentenceEnd) of a recorded book lies
    // inside a phrase that began before it, so that reading it plays nothing.
    bool continuesPhrase(qint64 sentenceStart, qint64 sentenceEnd) const;
    bool recorded() const { return m_table.has_value(); }

private:
    std::pair<qsizetype, qsizetype> phrasesIn(qint64 from, qint64 sentenceStart,
                                              qint64 sentenceEnd) const;

    std::optional<PhraseTable> m_table;
    qint64 m_heardUpTo = -1; // where the last unit's phrases ended
};
