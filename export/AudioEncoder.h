#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

enum class AudioFormat { Opus, Mp3, Wav };

// The file name extension of `format`: "opus", "mp3", "wav".
QString extensionOf(AudioFormat format);

// What players show of a chapter file. Texts are UTF-8.
struct AudioTags {
    QByteArray title;    // the chapter's
    QByteArray album;    // the book's title
    QByteArray artist;   // the book's author; empty when unknown
    QByteArray language; // "ca" or "es"
    int track = 1;
    int total = 1;
    qint64 offset = 0; // where the chapter starts in the book's text

    // "Zelvora text offset N": matches a file to a place in the book.
    QByteArray comment() const;
};

// Encodes mono 16-bit samples into an open file as they come, so that a chapter
// is never held whole in memory. Writes through `fd`, which the caller owns and
// closes; a failed write (disk full, I/O error) makes write() and finish() return
// false with errno's text in error(). One thread.
class AudioEncoder {
public:
    virtual ~AudioEncoder() = default;
    virtual bool write(const int16_t *samples, size_t count) = 0;
    // Flushes what the encoder holds and completes the file's headers.
    virtual bool finish() = 0;
    QString error() const { return m_error; }

protected:
    // Records errno's text (or `what` when errno is 0); returns false.
    bool fail(const char *what);
    QString m_error;
};

// An encoder of `format` writing to `fd` for samples at `sampleRate`; null, with
// `error` set, when the encoder cannot start.
std::unique_ptr<AudioEncoder> makeEncoder(AudioFormat format, int fd, int sampleRate,
                                          const AudioTags &tags, QString &error);
