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

void RecordedPhrases::readUnit(const QByteArray &sentence, qint64 sentenceStart) const {
    if (!m_table) {
        LlegirFinsQueSAcabi(sentence);
        return;
    }
    const qsizetype index = m_table->indexAtOrBefore(sentenceStart);
    const bool starts = index >= 0 && sentenceStart - m_table->offset(index) <= 1;
    TimerStatusUpcTV().PlayFinsQueSAcabi(starts ? m_table->audio(index) : PhraseAudio());
}
