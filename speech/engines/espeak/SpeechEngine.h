#pragma once

#include "Synthesizer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace upctv {

class AudioSink;

// Where the engine sends what it speaks, read from the environment at load:
// UPCTV_WAV_FILE names a WAV file that replaces the audio device; UPCTV_WAV_PACE=0
// lets that file fill as fast as synthesis runs instead of in real time.
struct EngineConfig {
    std::string wavPath;
    bool wavPaced = true;
    static EngineConfig fromEnvironment();
};

// The speaking engine behind the C ABI. Texts are queued by the caller's thread
// and spoken in order on the engine's own thread, which owns espeak-ng and the
// audio sink; the two share only the queue, the stop counter and the settings
// under one mutex. Writes to the sink follow the engine's clock, so a stop cuts
// the sound within one chunk and "speaking" lasts as long as the sound does,
// whether it goes to a device, a file, or nowhere.
class SpeechEngine {
public:
    // Takes `synth`, creates the WAV file when one is configured, and starts the
    // engine thread, which opens the audio device otherwise.
    SpeechEngine(EngineConfig config, std::unique_ptr<Synthesizer> synth);
    // Discards the queue, stops the sound, joins the engine thread, then closes
    // the sink and lets go of the synthesiser.
    ~SpeechEngine();
    SpeechEngine(const SpeechEngine &) = delete;
    SpeechEngine &operator=(const SpeechEngine &) = delete;

    // Queues `text` (bytes, UTF-8 or Windows-1252) with the current voice and speed.
    void read(std::string text);
    // Discards the queue and what is being spoken. Returns when the engine thread
    // has let go of the utterance and silenced the sink, or after a short time-out
    // should the sink hang; either way isSpeaking() is false from then on.
    void stop();
    // True from read() until the last sample has been played, false after stop().
    bool isSpeaking() const;

    // Settings for the texts queued after the call. Speed is clamped to 10..300;
    // a language other than 99 or 101 and a speaker other than 0 or 1 are refused
    // (false) and change nothing.
    void setSpeed(int speed);
    bool setLanguage(int code);
    bool setSpeaker(int speaker);

private:
    using Clock = std::chrono::steady_clock;
    struct Job {
        std::string text;
        VoiceChoice voice;
        int speed = 0;
        uint64_t epoch = 0;
    };

    void run();
    bool nextJob(Job &job);
    void speak(Synthesizer &synth, const Job &job);
    bool deliver(uint64_t epoch, const int16_t *samples, size_t count);
    void finish(uint64_t epoch, bool completed);
    bool waitUntil(Clock::time_point deadline, uint64_t epoch);
    bool isCurrent(uint64_t epoch) const { return m_epoch.load() == epoch; }

    const EngineConfig m_config;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // to the engine thread: a job, a stop, the end
    std::condition_variable m_idle; // to stop(): the engine thread let go of a job
    std::deque<Job> m_queue;
    std::atomic<uint64_t> m_epoch{1}; // raised by every stop; written under m_mutex
    uint64_t m_activeEpoch = 0;       // epoch of the job being spoken, 0 when none
    bool m_shutdown = false;
    VoiceChoice m_voice;
    int m_speed;

    // Created by the constructor, then used by the engine thread only, and
    // destroyed after it has been joined.
    std::unique_ptr<Synthesizer> m_synth;
    std::unique_ptr<AudioSink> m_sink;
    int m_sampleRate = 0;
    Clock::time_point m_playEnd; // when everything written will have been played

    std::thread m_thread; // last: started once everything above exists
};

} // namespace upctv
