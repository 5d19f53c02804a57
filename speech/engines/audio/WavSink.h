#pragma once

#include "AudioSink.h"
#include "WavWriter.h"

#include <string>

namespace upctv {

// Writes what is spoken to a WAV file instead of the audio device. Each chunk is
// written when it would start playing, so a stop leaves in the file only what a
// listener would have heard; with pacing off everything is written as fast as it
// is synthesised.
class WavSink final : public AudioSink {
public:
    WavSink(const std::string &path, int sampleRate, bool paced);
    // False when the file could not be created (reported on standard error).
    bool isOpen() const { return m_writer.isOpen(); }
    bool write(const int16_t *samples, size_t count) override;
    bool isPaced() const override { return m_paced; }

private:
    WavWriter m_writer;
    bool m_paced;
    bool m_failureReported = false;
};

} // namespace upctv
