#pragma once

#include "AudioSink.h"

#include <chrono>

struct audio_object;

namespace upctv {

// The default audio device through pcaudiolib (PulseAudio, PipeWire's PulseAudio
// service or ALSA, whichever answers first). The device is opened on creation;
// when it is missing or has failed, the next utterance that starts at least ten
// seconds after the last attempt tries again, so a device that appears later is
// used. Without one the engine goes on with its clock alone.
class PcAudioSink final : public AudioSink {
public:
    explicit PcAudioSink(int sampleRate);
    ~PcAudioSink() override;
    PcAudioSink(const PcAudioSink &) = delete;
    PcAudioSink &operator=(const PcAudioSink &) = delete;

    // Opens the device if it is not open and a retry is due; true when open.
    bool ensureOpen();
    void beginUtterance() override { ensureOpen(); }
    // Plays a short silence, so that PulseAudio's slow first start is over before
    // the first words.
    void warmUp();

    bool write(const int16_t *samples, size_t count) override;
    void drain() override;
    void flush() override;
    std::chrono::milliseconds lead() const override { return std::chrono::milliseconds(200); }

private:
    void close();
    int m_sampleRate;
    audio_object *m_device = nullptr;
    bool m_open = false;
    std::chrono::steady_clock::time_point m_lastAttempt;
    bool m_attempted = false;
    bool m_failureReported = false;
};

} // namespace upctv
