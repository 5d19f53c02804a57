#pragma once

#include "AudioEncoder.h"
#include "ChapterPlan.h"
#include "SynthesisEngine.h"

#include <QString>

#include <csignal>
#include <functional>

// One chapter file: the chapter's sentences, scanned from the book's text as the
// reader scans them, synthesised one by one and encoded as they come into a
// temporary file beside the final one, which is renamed to its name once
// complete and on disk. A chapter in progress is never held whole in memory.
struct ChapterJob {
    QString textPath; // the text the reader scans (the book or its cache file)
    Chapter chapter;
    QString finalPath;
    AudioFormat format = AudioFormat::Opus;
    AudioTags tags;
};

enum class ChapterOutcome {
    Written,
    Stopped,     // `stop` was raised: the temporary file is removed
    WriteFailed, // the file could not be written: removed, `error` says why
    ReadFailed,  // the book's text could not be read
    SynthesisFailed,
};

// The temporary name of `finalPath`: hidden, in the same folder.
QString partialPathOf(const QString &finalPath);

// Reports the text offset reached and the samples written so far.
using ChapterProgress = std::function<void(qint64 offset, qint64 samples)>;

ChapterOutcome writeChapter(SynthesisEngine &engine, const ChapterJob &job,
                            const volatile std::sig_atomic_t &stop, const ChapterProgress &progress,
                            QString &error);
