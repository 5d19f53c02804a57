#pragma once

#include "ClipSource.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace upctv {

// One audio file of a recorded book, decoded to mono 16-bit samples at the
// file's own rate (stereo is mixed down). Positions count those samples from the
// start of the file. Used by the player's thread only.
class AudioDecoder {
public:
    virtual ~AudioDecoder() = default;
    virtual int sampleRate() const = 0;
    // Moves to `sample`; false when it lies beyond the end or the file fails.
    virtual bool seek(int64_t sample) = 0;
    // The sample the next read() starts at.
    virtual int64_t position() const = 0;
    // Up to `max` samples into `out`: how many, 0 at the end or on a failure.
    virtual std::size_t read(int16_t *out, std::size_t max) = 0;
};

// A WAV file (PCM, 8 or 16 bits, any number of channels) when `source` starts as
// one, else MPEG audio (MP3) through libmpg123; nullptr, with the reason in
// `error`, when neither can decode it.
std::unique_ptr<AudioDecoder> openDecoder(std::unique_ptr<ClipSource> source, std::string &error);

// The two decoders, for openDecoder().
std::unique_ptr<AudioDecoder> openWavDecoder(std::unique_ptr<ClipSource> source,
                                             std::string &error);
std::unique_ptr<AudioDecoder> openMp3Decoder(std::unique_ptr<ClipSource> source,
                                             std::string &error);

} // namespace upctv
