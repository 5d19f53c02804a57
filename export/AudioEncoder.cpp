#include "AudioEncoder.h"

#include "EncoderFormats.h"

#include <cerrno>
#include <cstring>

QString extensionOf(AudioFormat format) {
    switch (format) {
    case AudioFormat::Mp3:
        return QStringLiteral("mp3");
    case AudioFormat::Wav:
        return QStringLiteral("wav");
    case AudioFormat::Opus:
        break;
    }
    return QStringLiteral("opus");
}

QByteArray AudioTags::comment() const {
    return "Zelvora text offset " + QByteArray::number(offset);
}

bool AudioEncoder::fail(const char *what) {
    m_error = errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QString::fromUtf8(what);
    return false;
}

std::unique_ptr<AudioEncoder> makeEncoder(AudioFormat format, int fd, int sampleRate,
                                          const AudioTags &tags, QString &error) {
    errno = 0;
    std::unique_ptr<AudioEncoder> encoder;
    switch (format) {
    case AudioFormat::Opus:
        encoder = makeOpusEncoder(fd, sampleRate, tags, error);
        break;
    case AudioFormat::Mp3:
        encoder = makeMp3Encoder(fd, sampleRate, tags, error);
        break;
    case AudioFormat::Wav:
        encoder = makeWavEncoder(fd, sampleRate, tags, error);
        break;
    }
    return encoder;
}
