#pragma once

#include "AudioClip.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>
#include <vector>

// The recorded audio of a book: a recorded DAISY book beside its index text, or
// an EPUB 3 book's narration (media overlays) beside the book's own text.
//
// A recorded DAISY book is read through an index text in which every phrase (one
// SMIL par, or one audio clip where the book has no text) is exactly one
// sentence: the phrase's own text where the book has text, else a short
// placeholder that is never spoken. Positions, stepping back, navigation and the
// cache therefore work on it as on any extracted text, and a saved position is
// the byte offset of a phrase's sentence start in the index text. In a narrated
// EPUB each phrase starts at the sentence start where its text element begins
// (several pars in one sentence are one phrase), so the book's positions are its
// text's, whether it is heard from the engine or from its narration; a phrase
// may then span several sentences, and the stretches no narration covers are
// read by the engine. This table maps each phrase's sentence start to the clips
// it plays and to its duration.
//
// Compact on purpose: 16 bytes a phrase and 24 a clip, file names kept once, so
// that a book of a million phrases stays in a few tens of megabytes. Phrases are
// kept in text order, their offsets strictly increasing. Read-only once built;
// safe to read from any thread.
class PhraseTable {
public:
    // The most phrases and clips a book may have; a hostile book stops there.
    static constexpr qsizetype MaxPhrases = 2'000'000;
    static constexpr qsizetype MaxClips = 4'000'000;

    // Building, in text order: a new phrase whose sentence starts at `offset`
    // (ignored unless it is past the previous phrase's), then its clips. False
    // when the table is full.
    bool addPhrase(qint64 offset);
    // A clip of the last phrase. A clip of zero or negative length (end at or
    // before begin, other than the end of file -1) is left out.
    bool addClip(const AudioClip &clip);
    // From `offset` to the next phrase's start the text has no recording and is
    // read by the speech engine (a document an EPUB's narration leaves out).
    // Ignored unless past the previous such offset.
    void addSpokenStretch(qint64 offset);
    // The book's own total duration (ncc:totalTime, dtb:totalTime); when it
    // gives none the sum of the phrases' durations counts.
    void setBookDurationMs(qint64 ms) { m_bookMs = ms > 0 ? ms : 0; }

    qsizetype size() const { return qsizetype(m_phrases.size()); }
    bool isEmpty() const { return m_phrases.empty(); }
    qsizetype clipCount() const { return qsizetype(m_clips.size()); }

    // The sentence start of phrase `index` in the index text.
    qint64 offset(qsizetype index) const { return m_phrases[size_t(index)].offset; }
    // The phrase whose sentence starts at `offset`, or -1 when none does.
    qsizetype indexOf(qint64 offset) const;
    // The last phrase that starts at or before `offset`, or -1 before the first.
    qsizetype indexAtOrBefore(qint64 offset) const;
    // The first phrase that starts at or after `offset` (size() when none does).
    qsizetype indexAtOrAfter(qint64 offset) const;
    // Whether the text at `offset` lies in a stretch the speech engine reads.
    bool isSpokenAt(qint64 offset) const;

    // The clips phrase `index` plays, in order (empty when it has none left).
    PhraseAudio audio(qsizetype index) const;
    // The clips of the phrase that starts at `offset`; empty when no phrase does.
    PhraseAudio audioAt(qint64 offset) const;

    // Durations in milliseconds: of one phrase (the sum of its clips, a clip that
    // runs to the end of its file counting 0), from the book's start to the
    // phrase's start, and of the whole book (its own figure when it has one).
    qint64 durationMs(qsizetype index) const;
    qint64 elapsedMs(qsizetype index) const;
    qint64 totalMs() const;

    // A binary form for the cache, and its reader; parse() refuses (nullopt)
    // anything damaged, out of order or past the bounds, so that a broken cache
    // file is never trusted.
    QByteArray serialized() const;
    static std::optional<PhraseTable> parse(QByteArrayView bytes);
    // The table in the file at `path` (BookText::phrases); nullopt when there is
    // none there or it is damaged.
    static std::optional<PhraseTable> load(const QString &path);

    bool operator==(const PhraseTable &other) const;

private:
    struct Phrase {
        qint64 offset = 0;
        quint32 firstClip = 0; // its clips are [firstClip, next phrase's firstClip)
        quint32 durationMs = 0;
    };
    struct Clip {
        qint64 beginMs = 0;
        qint64 endMs = -1;
        quint32 source = 0; // index into m_archives / m_files
        quint32 reserved = 0;
    };
    quint32 sourceOf(const AudioClip &clip);
    quint32 clipEnd(qsizetype index) const;

    std::vector<Phrase> m_phrases;
    std::vector<Clip> m_clips;
    std::vector<qint64> m_elapsedMs;  // per phrase, from the book's start
    std::vector<qint64> m_spokenFrom; // where stretches read by the engine begin
    QStringList m_archives;           // per source, the zip it lies in (or empty)
    QStringList m_files;              // per source, the file or entry name
    qint64 m_bookMs = 0;
    qint64 m_sumMs = 0;
};
