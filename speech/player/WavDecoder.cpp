#include "AudioDecoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace upctv {
namespace {

uint32_t le32(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t le16(const uint8_t *p) {
    return uint16_t(p[0] | p[1] << 8);
}

constexpr uint16_t FormatPcm = 1;
constexpr uint16_t FormatExtensible = 0xFFFE;

struct WavFormat {
    int rate = 0;
    int channels = 0;
    int bytesPerSample = 0; // of one channel
    int64_t dataStart = 0;
    int64_t frames = 0;
};

bool readExactly(ClipSource &source, void *buffer, std::size_t size) {
    return source.read(buffer, size) == long(size);
}

bool takeFormat(const uint8_t *fmt, uint32_t size, WavFormat &format) {
    if (size < 16)
        return false;
    uint16_t tag = le16(fmt);
    if (tag == FormatExtensible && size >= 26)
        tag = le16(fmt + 24); // the sub-format's first two bytes
    format.channels = le16(fmt + 2);
    format.rate = int(le32(fmt + 4));
    const int bits = le16(fmt + 14);
    format.bytesPerSample = bits / 8;
    return tag == FormatPcm && (bits == 8 || bits == 16) && format.channels > 0 &&
           format.channels <= 8 && format.rate >= 4000 && format.rate <= 192000;
}

// Walks the chunks up to "data"; false when the file is not a WAV we play.
bool parseHeader(ClipSource &source, WavFormat &format) {
    uint8_t riff[12];
    if (!readExactly(source, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return false;
    bool haveFormat = false;
    int64_t offset = 12;
    for (int chunks = 0; chunks < 64; ++chunks) {
        uint8_t head[8];
        if (!readExactly(source, head, sizeof head))
            return false;
        const uint32_t size = le32(head + 4);
        offset += 8;
        if (std::memcmp(head, "fmt ", 4) == 0 && size <= 64) {
            uint8_t fmt[64];
            haveFormat = readExactly(source, fmt, size) && takeFormat(fmt, size, format);
            if (!haveFormat)
                return false;
        } else if (std::memcmp(head, "data", 4) == 0) {
            if (!haveFormat)
                return false;
            const int64_t end = source.seek(0, SEEK_END);
            // A streamed WAV may leave its size 0 or too large: the file's end holds.
            const int64_t bytes = size == 0 ? end - offset : std::min<int64_t>(size, end - offset);
            format.dataStart = offset;
            format.frames = std::max<int64_t>(0, bytes) / (format.bytesPerSample * format.channels);
            return source.seek(offset, SEEK_SET) == offset;
        }
        offset += size + (size & 1);
        if (source.seek(offset, SEEK_SET) != offset)
            return false;
    }
    return false;
}

class WavDecoder final : public AudioDecoder {
public:
    WavDecoder(std::unique_ptr<ClipSource> source, const WavFormat &format)
        : m_source(std::move(source)), m_format(format) {}

    int sampleRate() const override { return m_format.rate; }
    int64_t position() const override { return m_position; }

    bool seek(int64_t sample) override {
        if (sample < 0 || sample > m_format.frames)
            return false;
        const int64_t offset =
            m_format.dataStart + sample * m_format.bytesPerSample * m_format.channels;
        if (m_source->seek(offset, SEEK_SET) != offset)
            return false;
        m_position = sample;
        return true;
    }

    std::size_t read(int16_t *out, std::size_t max) override {
        const int frameBytes = m_format.bytesPerSample * m_format.channels;
        const auto frames =
            std::size_t(std::min<int64_t>(int64_t(max), m_format.frames - m_position));
        m_raw.resize(frames * std::size_t(frameBytes));
        const long got = frames == 0 ? 0 : m_source->read(m_raw.data(), m_raw.size());
        const std::size_t count = got > 0 ? std::size_t(got) / std::size_t(frameBytes) : 0;
        for (std::size_t i = 0; i < count; ++i)
            out[i] = mixDown(m_raw.data() + i * std::size_t(frameBytes));
        m_position += int64_t(count);
        return count;
    }

private:
    int16_t mixDown(const uint8_t *frame) const {
        int sum = 0;
        for (int c = 0; c < m_format.channels; ++c) {
            sum += m_format.bytesPerSample == 1 ? (int(frame[c]) - 128) * 256
                                                : int(int16_t(le16(frame + 2 * c)));
        }
        return int16_t(sum / m_format.channels);
    }

    std::unique_ptr<ClipSource> m_source;
    WavFormat m_format;
    int64_t m_position = 0;
    std::vector<uint8_t> m_raw;
};

} // namespace

std::unique_ptr<AudioDecoder> openWavDecoder(std::unique_ptr<ClipSource> source,
                                             std::string &error) {
    WavFormat format;
    if (!parseHeader(*source, format)) {
        error = "not a WAV file of 8- or 16-bit PCM";
        return nullptr;
    }
    return std::make_unique<WavDecoder>(std::move(source), format);
}

std::unique_ptr<AudioDecoder> openDecoder(std::unique_ptr<ClipSource> source, std::string &error) {
    char magic[12] = {};
    const long got = source->read(magic, sizeof magic);
    if (source->seek(0, SEEK_SET) != 0) {
        error = "cannot seek in the file";
        return nullptr;
    }
    const bool wav = got == long(sizeof magic) && std::memcmp(magic, "RIFF", 4) == 0 &&
                     std::memcmp(magic + 8, "WAVE", 4) == 0;
    return wav ? openWavDecoder(std::move(source), error)
               : openMp3Decoder(std::move(source), error);
}

} // namespace upctv
