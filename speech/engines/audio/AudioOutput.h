#pragma once

#include "AudioSink.h"
#include "StreamTiming.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace upctv {

// Where an engine sends what it speaks, read from the environment at load:
// UPCTV_WAV_FILE names a WAV file that replaces the audio device; UPCTV_WAV_PACE=0
// lets that file fill as fast as synthesis runs instead of in real time.
struct OutputConfig {
    std::string wavPath;
    bool wavPaced = true;
    static OutputConfig fromEnvironment();
};

// An engine's audio output: a PulseAudio stream, else the default device through
// pcaudiolib (ALSA), else nothing; or the WAV file of the configuration. It keeps
// time: play() runs at most a little ahead of what is heard (the server's
// requests pace a PulseAudio stream, the output's own clock every other sink), and
// complete() waits for the sound, so "speaking" lasts as long as the sound does,
// whether it goes to a device, a file or nowhere; and cancel() silences it at once
// from any thread.
//
// Threads: cancel() may be called from any thread at any time. Every other member
// runs on the engine's thread, which alone writes samples.
class AudioOutput {
public:
    // Creates the WAV file at once when one is configured (so it exists as soon as
    // the engine is loaded); the device is opened later by open().
    // `timing` shapes a sound-server stream; the other outputs have no use for it.
    AudioOutput(OutputConfig config, int sampleRate, std::string clientName,
                StreamTiming timing = StreamTiming::speech());
    ~AudioOutput();
    AudioOutput(const AudioOutput &) = delete;
    AudioOutput &operator=(const AudioOutput &) = delete;

    // Opens the audio device when no WAV file is configured. It may take a second
    // (a sound server starting up), hence on the engine's thread.
    void open();

    // Called before the first samples of each utterance; ends the effect of an
    // earlier cancel().
    void begin();
    // Plays mono 16-bit samples at the output's sample rate. Returns false once
    // cancel() has been called.
    bool play(const int16_t *samples, size_t count);
    // After an utterance's last samples: returns once they have been heard, or at
    // once when `moreFollows` (the next utterance continues the sound). False when
    // cancelled meanwhile.
    bool complete(bool moreFollows);
    // After a cancelled utterance: drops whatever is still queued.
    void discard();

    // Silences the output: what is queued is dropped, a play() or complete() in
    // progress returns false at once, and so does every play() until begin().
    void cancel();

    int sampleRate() const { return m_sampleRate; }

    // How much of what play() was given has not been heard yet; 0 when nothing
    // keeps time (a WAV file written unpaced). A player that keeps only a little
    // ahead of the listener uses it to pace its writes.
    std::chrono::microseconds unheard();

private:
    using Clock = std::chrono::steady_clock;
    void openDevice();
    bool waitUntil(Clock::time_point deadline);
    bool isCancelled();

    const OutputConfig m_config;
    const int m_sampleRate;
    const std::string m_clientName;
    const StreamTiming m_timing;

    std::mutex m_mutex; // guards m_cancelled and the m_sink pointer against cancel()
    std::condition_variable m_wake;
    bool m_cancelled = false;
    std::unique_ptr<AudioSink> m_sink;

    // The engine thread's alone.
    bool m_deviceFailed = false;  // a self-pacing device failed: keep time by the clock
    Clock::time_point m_playEnd;  // when everything written will have been heard
    Clock::time_point m_lastOpen; // of the device, for retries
};

} // namespace upctv
