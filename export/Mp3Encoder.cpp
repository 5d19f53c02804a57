#include "EncoderFormats.h"
#include "FileDescriptor.h"

#include <lame/lame.h>

#include <QString>

#include <vector>

namespace {

constexpr int Bitrate = 40;
// LAME's fast quality (its -f): about half the time of its default (3) for a
// file of the same size, with no difference a synthetic voice at 40 kbit/s shows.
constexpr int Quality = 7;

// `text` as UTF-16 with its byte-order mark and a terminating 0, as LAME's
// UTF-16 tag calls take it.
std::vector<unsigned short> utf16(const QByteArray &text) {
    const QString decoded = QString::fromUtf8(text);
    std::vector<unsigned short> units{0xFEFF};
    for (const QChar c : decoded)
        units.push_back(c.unicode());
    units.push_back(0);
    return units;
}

class Mp3FileEncoder final : public AudioEncoder {
public:
    explicit Mp3FileEncoder(int fd) : m_fd(fd), m_lame(lame_init()) {}
    ~Mp3FileEncoder() override {
        if (m_lame != nullptr)
            lame_close(m_lame);
    }

    bool start(int sampleRate, const AudioTags &tags, QString &error) {
        if (m_lame == nullptr) {
            error = QStringLiteral("out of memory");
            return false;
        }
        lame_set_in_samplerate(m_lame, sampleRate);
        lame_set_num_channels(m_lame, 1);
        lame_set_mode(m_lame, MONO);
        lame_set_brate(m_lame, Bitrate);
        lame_set_quality(m_lame, Quality);
        lame_set_bWriteVbrTag(m_lame, 0);
        addTags(tags);
        if (lame_init_params(m_lame) < 0) {
            error = QStringLiteral("LAME refused the settings");
            return false;
        }
        return true;
    }

    bool write(const int16_t *samples, size_t count) override {
        m_buffer.resize(count + count / 4 + 7200 + 16384); // LAME's worst case, and the tag
        const int bytes = lame_encode_buffer(m_lame, samples, nullptr, int(count), m_buffer.data(),
                                             int(m_buffer.size()));
        return put(bytes);
    }

    bool finish() override {
        m_buffer.resize(16384);
        return put(lame_encode_flush(m_lame, m_buffer.data(), int(m_buffer.size())));
    }

private:
    void addTags(const AudioTags &tags) {
        id3tag_init(m_lame);
        id3tag_add_v2(m_lame);
        id3tag_v2_only(m_lame);
        setText("TIT2", tags.title);
        setText("TALB", tags.album);
        if (!tags.artist.isEmpty())
            setText("TPE1", tags.artist);
        setText("TRCK", QByteArray::number(tags.track) + '/' + QByteArray::number(tags.total));
        setText("TLAN", tags.language == "es" ? "spa" : "cat");
        id3tag_set_comment(m_lame, tags.comment().constData());
    }
    void setText(const char *frame, const QByteArray &text) {
        const std::vector<unsigned short> units = utf16(text);
        id3tag_set_textinfo_utf16(m_lame, frame, units.data());
    }

    bool put(int bytes) {
        if (bytes < 0) {
            errno = 0;
            return fail("the MP3 encoder failed");
        }
        if (!writeAll(m_fd, QByteArrayView(m_buffer.data(), bytes)))
            return fail("write failed");
        return true;
    }

    int m_fd;
    lame_t m_lame;
    std::vector<unsigned char> m_buffer;
};

} // namespace

std::unique_ptr<AudioEncoder> makeMp3Encoder(int fd, int sampleRate, const AudioTags &tags,
                                             QString &error) {
    auto encoder = std::make_unique<Mp3FileEncoder>(fd);
    if (!encoder->start(sampleRate, tags, error))
        return nullptr;
    return encoder;
}
