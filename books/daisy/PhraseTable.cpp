#include "PhraseTable.h"

#include <QDataStream>
#include <QFile>

#include <algorithm>

namespace {

constexpr quint32 Magic = 0x5A504854; // "ZPHT"
// Version 2 adds the stretches read by the engine; a version 1 file has none.
constexpr quint32 FormatVersion = 2;
constexpr qint64 MaxTableFileBytes = 256LL * 1024 * 1024;
constexpr qint64 LongestClipMs = 48LL * 3600 * 1000;

} // namespace

quint32 PhraseTable::sourceOf(const AudioClip &clip) {
    // Consecutive clips nearly always continue the file of the clip before.
    for (qsizetype i = m_files.size() - 1; i >= 0 && i >= m_files.size() - 4; --i) {
        if (m_files[i] == clip.file && m_archives[i] == clip.archive) {
            return quint32(i);
        }
    }
    const auto found = std::find(m_files.cbegin(), m_files.cend(), clip.file);
    if (found != m_files.cend() && m_archives[found - m_files.cbegin()] == clip.archive) {
        return quint32(found - m_files.cbegin());
    }
    m_archives.append(clip.archive);
    m_files.append(clip.file);
    return quint32(m_files.size() - 1);
}

bool PhraseTable::addPhrase(qint64 offset) {
    if (size() >= MaxPhrases) {
        return false;
    }
    if (offset < 0 || (!m_phrases.empty() && offset <= m_phrases.back().offset)) {
        return true;
    }
    m_phrases.push_back({offset, quint32(m_clips.size()), 0});
    m_elapsedMs.push_back(m_sumMs);
    return true;
}

bool PhraseTable::addClip(const AudioClip &clip) {
    if (m_phrases.empty() || clip.file.isEmpty() || clip.beginMs < 0) {
        return true;
    }
    if (clipCount() >= MaxClips) {
        return false;
    }
    const bool toEnd = clip.endMs == -1;
    if ((!toEnd && clip.endMs <= clip.beginMs) || clip.beginMs > LongestClipMs ||
        clip.endMs > LongestClipMs) {
        return true; // nothing to play
    }
    m_clips.push_back({clip.beginMs, clip.endMs, sourceOf(clip), 0});
    const qint64 length = toEnd ? 0 : clip.endMs - clip.beginMs;
    Phrase &phrase = m_phrases.back();
    phrase.durationMs = quint32(std::min<qint64>(qint64(phrase.durationMs) + length, 0xFFFFFFFF));
    m_sumMs += length;
    return true;
}

void PhraseTable::addSpokenStretch(qint64 offset) {
    if (offset >= 0 && (m_spokenFrom.empty() || offset > m_spokenFrom.back()) &&
        qsizetype(m_spokenFrom.size()) < MaxPhrases) {
        m_spokenFrom.push_back(offset);
    }
}

quint32 PhraseTable::clipEnd(qsizetype index) const {
    return index + 1 < size() ? m_phrases[size_t(index + 1)].firstClip : quint32(m_clips.size());
}

qsizetype PhraseTable::indexAtOrBefore(qint64 offset) const {
    const auto after = std::upper_bound(m_phrases.cbegin(), m_phrases.cend(), offset,
                                        [](qint64 o, const Phrase &p) { return o < p.offset; });
    return qsizetype(after - m_phrases.cbegin()) - 1;
}

qsizetype PhraseTable::indexAtOrAfter(qint64 offset) const {
    const auto at = std::lower_bound(m_phrases.cbegin(), m_phrases.cend(), offset,
                                     [](const Phrase &p, qint64 o) { return p.offset < o; });
    return qsizetype(at - m_phrases.cbegin());
}

bool PhraseTable::isSpokenAt(qint64 offset) const {
    const auto after = std::upper_bound(m_spokenFrom.cbegin(), m_spokenFrom.cend(), offset);
    if (after == m_spokenFrom.cbegin()) {
        return false;
    }
    const qsizetype phrase = indexAtOrBefore(offset);
    return phrase < 0 || *(after - 1) > this->offset(phrase);
}

qsizetype PhraseTable::indexOf(qint64 offset) const {
    const qsizetype index = indexAtOrBefore(offset);
    return index >= 0 && this->offset(index) == offset ? index : -1;
}

PhraseAudio PhraseTable::audio(qsizetype index) const {
    PhraseAudio clips;
    if (index < 0 || index >= size()) {
        return clips;
    }
    for (quint32 c = m_phrases[size_t(index)].firstClip; c < clipEnd(index); ++c) {
        const Clip &clip = m_clips[c];
        clips.push_back({m_archives[clip.source], m_files[clip.source], clip.beginMs, clip.endMs});
    }
    return clips;
}

PhraseAudio PhraseTable::audioAt(qint64 offset) const {
    return audio(indexOf(offset));
}

qint64 PhraseTable::durationMs(qsizetype index) const {
    return index >= 0 && index < size() ? m_phrases[size_t(index)].durationMs : 0;
}

qint64 PhraseTable::elapsedMs(qsizetype index) const {
    if (index < 0 || index >= size()) {
        return index < 0 ? 0 : totalMs();
    }
    // Where the book states its own total, the phrases' times are scaled to it,
    // so that elapsed and left always add up to what the book says it lasts.
    const qint64 elapsed = m_elapsedMs[size_t(index)];
    return m_bookMs > 0 && m_sumMs > 0
               ? qint64(double(elapsed) * double(m_bookMs) / double(m_sumMs))
               : elapsed;
}

qint64 PhraseTable::totalMs() const {
    return m_bookMs > 0 ? m_bookMs : m_sumMs;
}

QByteArray PhraseTable::serialized() const {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << Magic << FormatVersion << m_bookMs << quint32(m_files.size());
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        out << m_archives[i] << m_files[i];
    }
    out << quint32(m_phrases.size()) << quint32(m_clips.size());
    for (const Phrase &phrase : m_phrases) {
        out << phrase.offset << phrase.firstClip;
    }
    for (const Clip &clip : m_clips) {
        out << clip.beginMs << clip.endMs << clip.source;
    }
    out << quint32(m_spokenFrom.size());
    for (const qint64 offset : m_spokenFrom) {
        out << offset;
    }
    return bytes;
}

std::optional<PhraseTable> PhraseTable::parse(QByteArrayView bytes) {
    const QByteArray copy = bytes.toByteArray();
    QDataStream in(copy);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0, version = 0, sources = 0, phrases = 0, clips = 0;
    PhraseTable table;
    in >> magic >> version >> table.m_bookMs >> sources;
    if (in.status() != QDataStream::Ok || magic != Magic || version < 1 ||
        version > FormatVersion || table.m_bookMs < 0 || sources > quint32(MaxClips)) {
        return std::nullopt;
    }
    QStringList archives, files;
    for (quint32 i = 0; i < sources && in.status() == QDataStream::Ok; ++i) {
        QString archive, file;
        in >> archive >> file;
        archives.append(archive);
        files.append(file);
    }
    in >> phrases >> clips;
    if (in.status() != QDataStream::Ok || phrases > quint32(MaxPhrases) ||
        clips > quint32(MaxClips) || qint64(phrases) * 12 + qint64(clips) * 20 > copy.size()) {
        return std::nullopt;
    }
    std::vector<Phrase> read(phrases);
    for (Phrase &phrase : read) {
        in >> phrase.offset >> phrase.firstClip;
    }
    std::vector<Clip> stored(clips);
    for (Clip &clip : stored) {
        in >> clip.beginMs >> clip.endMs >> clip.source;
        if (clip.source >= sources) {
            return std::nullopt;
        }
    }
    // Rebuilt through the building calls, so that a damaged file cannot give a
    // table that building could not: offsets out of order, clips of no length.
    for (quint32 p = 0; p < phrases && in.status() == QDataStream::Ok; ++p) {
        const quint32 end = p + 1 < phrases ? read[p + 1].firstClip : clips;
        if (read[p].firstClip != table.m_clips.size() || end < read[p].firstClip || end > clips ||
            !table.addPhrase(read[p].offset) || table.m_phrases.size() != p + 1) {
            return std::nullopt;
        }
        for (quint32 c = read[p].firstClip; c < end; ++c) {
            const Clip &clip = stored[c];
            if (!table.addClip(
                    {archives[clip.source], files[clip.source], clip.beginMs, clip.endMs}) ||
                table.m_clips.size() != c + 1) {
                return std::nullopt;
            }
        }
    }
    if (table.m_clips.size() != clips) {
        return std::nullopt;
    }
    quint32 stretches = 0;
    if (version >= 2) {
        in >> stretches;
    }
    if (stretches > quint32(MaxPhrases) || qint64(stretches) * 8 > copy.size()) {
        return std::nullopt;
    }
    for (quint32 i = 0; i < stretches && in.status() == QDataStream::Ok; ++i) {
        qint64 offset = -1;
        in >> offset;
        table.addSpokenStretch(offset);
        if (table.m_spokenFrom.size() != i + 1) {
            return std::nullopt;
        }
    }
    if (in.status() != QDataStream::Ok || !in.atEnd()) {
        return std::nullopt;
    }
    return table;
}

std::optional<PhraseTable> PhraseTable::load(const QString &path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > MaxTableFileBytes) {
        return std::nullopt;
    }
    return parse(file.readAll());
}

bool PhraseTable::operator==(const PhraseTable &other) const {
    if (size() != other.size() || clipCount() != other.clipCount() || m_bookMs != other.m_bookMs ||
        m_spokenFrom != other.m_spokenFrom) {
        return false;
    }
    for (qsizetype i = 0; i < size(); ++i) {
        if (offset(i) != other.offset(i) || audio(i) != other.audio(i)) {
            return false;
        }
    }
    return true;
}
