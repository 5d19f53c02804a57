#include "EncoderFormats.h"
#include "FileDescriptor.h"

#include <QtEndian>

#include <unistd.h>

namespace {

void putU32(QByteArray &bytes, quint32 value) {
    char le[4];
    qToLittleEndian(value, le);
    bytes.append(le, 4);
}
void putU16(QByteArray &bytes, quint16 value) {
    char le[2];
    qToLittleEndian(value, le);
    bytes.append(le, 2);
}

// One INFO entry: its id, its size, the NUL-terminated text, padded to even.
void putInfo(QByteArray &list, const char *id, const QByteArray &text) {
    if (text.isEmpty())
        return;
    list.append(id, 4);
    putU32(list, quint32(text.size() + 1));
    list.append(text);
    list.append('\0');
    if ((text.size() + 1) % 2 != 0)
        list.append('\0');
}

QByteArray infoChunk(const AudioTags &tags) {
    QByteArray info("INFO");
    putInfo(info, "INAM", tags.title);
    putInfo(info, "IPRD", tags.album);
    putInfo(info, "IART", tags.artist);
    putInfo(info, "ITRK", QByteArray::number(tags.track) + '/' + QByteArray::number(tags.total));
    putInfo(info, "ILNG", tags.language);
    putInfo(info, "ICMT", tags.comment());
    QByteArray chunk("LIST");
    putU32(chunk, quint32(info.size()));
    return chunk + info;
}

class WavFileEncoder final : public AudioEncoder {
public:
    explicit WavFileEncoder(int fd) : m_fd(fd) {}

    bool start(int sampleRate, const AudioTags &tags) {
        QByteArray header("RIFF");
        putU32(header, 0); // filled in by finish()
        header.append("WAVEfmt ", 8);
        putU32(header, 16);
        putU16(header, 1); // PCM
        putU16(header, 1); // mono
        putU32(header, quint32(sampleRate));
        putU32(header, quint32(sampleRate) * 2);
        putU16(header, 2);
        putU16(header, 16);
        header.append(infoChunk(tags));
        header.append("data", 4);
        m_dataSizeAt = header.size();
        putU32(header, 0);
        m_headerSize = header.size();
        return writeAll(m_fd, header) || fail("write failed");
    }

    bool write(const int16_t *samples, size_t count) override {
        QByteArray bytes(qsizetype(count * 2), Qt::Uninitialized);
        for (size_t i = 0; i < count; ++i)
            qToLittleEndian(quint16(samples[i]), bytes.data() + 2 * i);
        m_dataBytes += bytes.size();
        return writeAll(m_fd, bytes) || fail("write failed");
    }

    bool finish() override {
        return patch(4, quint32(m_headerSize - 8 + m_dataBytes)) &&
               patch(m_dataSizeAt, quint32(m_dataBytes));
    }

private:
    bool patch(qint64 at, quint32 value) {
        char le[4];
        qToLittleEndian(value, le);
        return pwrite(m_fd, le, 4, at) == 4 || fail("write failed");
    }

    int m_fd;
    qint64 m_dataSizeAt = 0;
    qint64 m_headerSize = 0;
    qint64 m_dataBytes = 0;
};

} // namespace

std::unique_ptr<AudioEncoder> makeWavEncoder(int fd, int sampleRate, const AudioTags &tags,
                                             QString &error) {
    auto encoder = std::make_unique<WavFileEncoder>(fd);
    if (!encoder->start(sampleRate, tags)) {
        error = encoder->error();
        return nullptr;
    }
    return encoder;
}
