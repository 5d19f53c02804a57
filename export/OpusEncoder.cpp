#include "EncoderFormats.h"
#include "FileDescriptor.h"

#include <opus/opusenc.h>

#include <cerrno>

namespace {

constexpr int Bitrate = 24000;
// libopus's default (10) spends about twice the time of 5 on a synthetic voice
// for files of the same size; encoding, not synthesis, is what an export waits for.
constexpr int Complexity = 5;

class OpusFileEncoder final : public AudioEncoder {
public:
    explicit OpusFileEncoder(int fd) : m_fd(fd) {}
    ~OpusFileEncoder() override {
        if (m_encoder != nullptr)
            ope_encoder_destroy(m_encoder);
    }

    bool start(int sampleRate, const AudioTags &tags, QString &error) {
        OggOpusComments *comments = ope_comments_create();
        if (comments == nullptr) {
            error = QStringLiteral("out of memory");
            return false;
        }
        addComments(comments, tags);
        static const OpusEncCallbacks callbacks{&OpusFileEncoder::writeBytes,
                                                &OpusFileEncoder::closeFile};
        int status = OPE_OK;
        m_encoder =
            ope_encoder_create_callbacks(&callbacks, this, comments, sampleRate, 1, 0, &status);
        ope_comments_destroy(comments);
        if (m_encoder == nullptr) {
            error = QString::fromUtf8(ope_strerror(status));
            return false;
        }
        ope_encoder_ctl(m_encoder, OPUS_SET_BITRATE(Bitrate));
        ope_encoder_ctl(m_encoder, OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE));
        ope_encoder_ctl(m_encoder, OPUS_SET_COMPLEXITY(Complexity));
        return true;
    }

    bool write(const int16_t *samples, size_t count) override {
        if (ope_encoder_write(m_encoder, samples, int(count)) != OPE_OK || m_failed)
            return failed();
        return true;
    }

    bool finish() override {
        if (ope_encoder_drain(m_encoder) != OPE_OK || m_failed)
            return failed();
        return true;
    }

private:
    static void addComments(OggOpusComments *comments, const AudioTags &tags) {
        ope_comments_add(comments, "TITLE", tags.title.constData());
        ope_comments_add(comments, "ALBUM", tags.album.constData());
        if (!tags.artist.isEmpty())
            ope_comments_add(comments, "ARTIST", tags.artist.constData());
        ope_comments_add(comments, "TRACKNUMBER", QByteArray::number(tags.track).constData());
        ope_comments_add(comments, "TRACKTOTAL", QByteArray::number(tags.total).constData());
        ope_comments_add(comments, "LANGUAGE", tags.language.constData());
        ope_comments_add(comments, "COMMENT", tags.comment().constData());
    }

    bool failed() {
        errno = m_errno; // 0 unless a write failed
        return fail("the Opus encoder failed");
    }

    static int writeBytes(void *self, const unsigned char *bytes, opus_int32 length) {
        auto *encoder = static_cast<OpusFileEncoder *>(self);
        if (writeAll(encoder->m_fd, QByteArrayView(bytes, length)))
            return 0;
        encoder->m_failed = true;
        encoder->m_errno = errno;
        return 1;
    }
    static int closeFile(void *) { return 0; } // the caller closes the file

    int m_fd;
    OggOpusEnc *m_encoder = nullptr;
    bool m_failed = false;
    int m_errno = 0;
};

} // namespace

std::unique_ptr<AudioEncoder> makeOpusEncoder(int fd, int sampleRate, const AudioTags &tags,
                                              QString &error) {
    auto encoder = std::make_unique<OpusFileEncoder>(fd);
    if (!encoder->start(sampleRate, tags, error))
        return nullptr;
    return encoder;
}
