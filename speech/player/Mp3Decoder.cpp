#include "AudioDecoder.h"

#include <mpg123.h>

#include <cstdio>
#include <mutex>

namespace upctv {
namespace {

mpg123_ssize_t readSource(void *handle, void *buffer, size_t size) {
    return static_cast<ClipSource *>(handle)->read(buffer, size);
}

off_t seekSource(void *handle, off_t offset, int whence) {
    return off_t(static_cast<ClipSource *>(handle)->seek(offset, whence));
}

class Mp3Decoder final : public AudioDecoder {
public:
    Mp3Decoder(mpg123_handle *handle, std::unique_ptr<ClipSource> source, int rate)
        : m_handle(handle), m_source(std::move(source)), m_rate(rate) {}
    ~Mp3Decoder() override {
        mpg123_close(m_handle);
        mpg123_delete(m_handle);
    }
    Mp3Decoder(const Mp3Decoder &) = delete;
    Mp3Decoder &operator=(const Mp3Decoder &) = delete;

    int sampleRate() const override { return m_rate; }
    int64_t position() const override { return m_position; }

    bool seek(int64_t sample) override {
        const off_t reached = mpg123_seek(m_handle, off_t(sample), SEEK_SET);
        if (reached < 0 || reached != off_t(sample))
            return false;
        m_position = sample;
        return true;
    }

    std::size_t read(int16_t *out, std::size_t max) override {
        std::size_t filled = 0;
        while (filled < max) {
            size_t bytes = 0;
            const int result =
                mpg123_read(m_handle, reinterpret_cast<unsigned char *>(out + filled),
                            (max - filled) * sizeof(int16_t), &bytes);
            filled += bytes / sizeof(int16_t);
            // A new format in the middle of a file keeps rate and channels (they
            // are fixed below); any other message or error ends the file here.
            if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
                break;
            if (bytes == 0 && result == MPG123_OK)
                break;
        }
        m_position += int64_t(filled);
        return filled;
    }

private:
    mpg123_handle *m_handle;
    std::unique_ptr<ClipSource> m_source;
    int m_rate;
    int64_t m_position = 0;
};

} // namespace

std::unique_ptr<AudioDecoder> openMp3Decoder(std::unique_ptr<ClipSource> source,
                                             std::string &error) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { mpg123_init(); });
    int code = MPG123_OK;
    mpg123_handle *handle = mpg123_new(nullptr, &code);
    if (handle == nullptr) {
        error = "the MP3 decoder did not start";
        return nullptr;
    }
    // Mono 16-bit at the file's own rate, quietly, without its encoder's padding.
    mpg123_param(handle, MPG123_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_MONO_MIX, 0.0);
    mpg123_param(handle, MPG123_RESYNC_LIMIT, 2048, 0.0);
    mpg123_format_none(handle);
    const long *rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(handle, rates[i], MPG123_MONO, MPG123_ENC_SIGNED_16);
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_replace_reader_handle(handle, readSource, seekSource, nullptr) != MPG123_OK ||
        mpg123_open_handle(handle, source.get()) != MPG123_OK ||
        mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0) {
        error = "not decodable as MPEG audio";
        mpg123_close(handle);
        mpg123_delete(handle);
        return nullptr;
    }
    // The format is now fixed: later frames of another layout are converted.
    mpg123_format_none(handle);
    mpg123_format(handle, rate, MPG123_MONO, MPG123_ENC_SIGNED_16);
    return std::make_unique<Mp3Decoder>(handle, std::move(source), int(rate));
}

} // namespace upctv
