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

bool RecordedPhrases::continuesPhrase(qint64 sentenceStart, qint64 sentenceEnd) const {
    return m_table &&
           m_table->indexAtOrAfter(sentenceStart - 1) ==
               m_table->indexAtOrAfter(std::max(sentenceEnd, sentenceStart)) &&
           !m_table->isSpokenAt(sentenceStart);
}

bool RecordedPhrases::readUnit(const QByteArray &sentence, qint64 sentenceStart,
                               qint64 sentenceEnd) {
    if (!m_table) {
        LlegirFinsQueSAcabi(sentence);
        return true;
    }
    const qint64 from = std::max(sentenceStart - 1, m_heardUpTo);
    const qint64 to = std::max(sentenceEnd, sentenceStart + 1);
    const qsizetype first = m_table->indexAtOrAfter(from);
    const qsizetype end = m_table->indexAtOrAfter(to);
    if (first < end) {
        m_heardUpTo = to;
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
