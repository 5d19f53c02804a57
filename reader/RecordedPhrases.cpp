#include "RecordedPhrases.h"

#include "SpeakAndWait.h"

RecordedPhrases::RecordedPhrases(const BookText &text) {
    if (!text.phrases.isEmpty()) {
        m_table = PhraseTable::load(text.phrases);
        if (!m_table) {
            m_table = PhraseTable(); // a damaged table: silence, never the index text
        }
    }
}

// The phrases [first, end) that start in the sentence [sentenceStart,
// sentenceEnd): from `from` on (one byte before the sentence, as
// stop-after-sentence mode resumes, unless a unit before has heard it).
std::pair<qsizetype, qsizetype> RecordedPhrases::phrasesIn(qint64 from, qint64 sentenceStart,
                                                           qint64 sentenceEnd) const {
    return {m_table->indexAtOrAfter(from),
            m_table->indexAtOrAfter(std::max(sentenceEnd, sentenceStart + 1))};
}

bool RecordedPhrases::continuesPhrase(qint64 sentenceStart, qint64 sentenceEnd) const {
    if (!m_table) {
        return false;
    }
    const auto [first, end] = phrasesIn(sentenceStart - 1, sentenceStart, sentenceEnd);
    return first == end && !m_table->isSpokenAt(sentenceStart);
}

bool RecordedPhrases::readUnit(const QByteArray &sentence, qint64 sentenceStart,
                               qint64 sentenceEnd) {
    if (!m_table) {
        LlegirFinsQueSAcabi(sentence);
        return true;
    }
    const auto [first, end] =
        phrasesIn(std::max(sentenceStart - 1, m_heardUpTo), sentenceStart, sentenceEnd);
    if (first < end) {
        m_heardUpTo = std::max(sentenceEnd, sentenceStart + 1);
        PhraseAudio clips = m_table->audio(first);
        for (qsizetype i = first + 1; i < end; ++i) {
            const PhraseAudio more = m_table->audio(i);
            clips.insert(clips.end(), more.begin(), more.end());
        }
        TimerStatusUpcTV().PlayFinsQueSAcabi(clips);
        return true;
    }
    if (m_table->isSpokenAt(sentenceStart)) {
        LlegirFinsQueSAcabi(sentence);
        return true;
    }
    return false;
}
