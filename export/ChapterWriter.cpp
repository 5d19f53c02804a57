#include "ChapterWriter.h"

#include "FileDescriptor.h"
#include "SentenceScanner.h"

#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Synthesises the chapter's sentences into `encoder`.
ChapterOutcome speakInto(SynthesisEngine &engine, const ChapterJob &job, AudioEncoder &encoder,
                         const volatile std::sig_atomic_t &stop, const ChapterProgress &progress,
                         QString &error) {
    qint64 readPosition = job.chapter.start;
    qint64 sentenceStart = job.chapter.start;
    SentenceScanner scanner(readPosition, sentenceStart);
    if (scanner.open(job.textPath) != BookFile::OpenStatus::Opened) {
        error = systemError();
        return ChapterOutcome::ReadFailed;
    }
    qint64 samples = 0;
    bool writeFailed = false;
    const SynthesisEngine::Sink sink = [&](const int16_t *chunk, size_t count) {
        if (stop != 0)
            return false;
        writeFailed = !encoder.write(chunk, count);
        samples += qint64(count);
        return !writeFailed;
    };
    while (readPosition < job.chapter.end) {
        const ScanResult result = scanner.ScanSentence();
        if (result == ScanResult::ReadError) {
            error = QStringLiteral("the book's text could not be read");
            return ChapterOutcome::ReadFailed;
        }
        const int spoken = engine.synthesize(scanner.SentenceText(), sink);
        if (stop != 0)
            return ChapterOutcome::Stopped;
        if (writeFailed) {
            error = encoder.error();
            return ChapterOutcome::WriteFailed;
        }
        if (spoken != 0) {
            error = QStringLiteral("the speech engine failed");
            return ChapterOutcome::SynthesisFailed;
        }
        progress(readPosition, samples);
        if (result == ScanResult::EndOfBook)
            break;
    }
    return ChapterOutcome::Written;
}

ChapterOutcome encodeTo(int fd, SynthesisEngine &engine, const ChapterJob &job,
                        const volatile std::sig_atomic_t &stop, const ChapterProgress &progress,
                        QString &error) {
    std::unique_ptr<AudioEncoder> encoder =
        makeEncoder(job.format, fd, engine.sampleRate(), job.tags, error);
    if (!encoder)
        return ChapterOutcome::WriteFailed;
    const ChapterOutcome spoken = speakInto(engine, job, *encoder, stop, progress, error);
    if (spoken != ChapterOutcome::Written)
        return spoken;
    if (!encoder->finish()) {
        error = encoder->error();
        return ChapterOutcome::WriteFailed;
    }
    if (fdatasync(fd) != 0 && errno != EINVAL) { // EINVAL: a device that cannot sync
        error = systemError();
        return ChapterOutcome::WriteFailed;
    }
    return ChapterOutcome::Written;
}

} // namespace

QString partialPathOf(const QString &finalPath) {
    const QFileInfo file(finalPath);
    return file.path() + QStringLiteral("/.") + file.fileName() + QStringLiteral(".part");
}

ChapterOutcome writeChapter(SynthesisEngine &engine, const ChapterJob &job,
                            const volatile std::sig_atomic_t &stop, const ChapterProgress &progress,
                            QString &error) {
    const QByteArray partial = partialPathOf(job.finalPath).toLocal8Bit();
    // Not O_EXCL: a temporary file left by a crash is written over.
    FileDescriptor fd(open(partial.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd.isOpen()) {
        error = systemError();
        return ChapterOutcome::WriteFailed;
    }
    ChapterOutcome outcome = encodeTo(fd.get(), engine, job, stop, progress, error);
    if (!fd.close() && outcome == ChapterOutcome::Written) {
        error = systemError();
        outcome = ChapterOutcome::WriteFailed;
    }
    if (outcome == ChapterOutcome::Written &&
        std::rename(partial.constData(), job.finalPath.toLocal8Bit().constData()) != 0) {
        error = systemError();
        outcome = ChapterOutcome::WriteFailed;
    }
    if (outcome != ChapterOutcome::Written)
        unlink(partial.constData());
    return outcome;
}
