#pragma once

#include "AudioOutput.h"
#include "Engine.h"
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

// The speaking engine behind the C ABI, shared by the engine libraries, each
// with its own synthesiser. Texts are queued by the caller's thread and spoken in
// order on the engine's own thread, which owns the synthesiser and writes to the
// audio output; the two share only the queue, the stop counter and the settings
// under one mutex, the output's cancel() and the synthesiser's interrupt(). The
// output keeps time, so "speaking" lasts as long as the sound does, and a stop
// silences it at once. The pause after a sentence belongs to the utterance (the
// synthesisers end such a text with it), so the status stays busy through it.
class SpeechEngine final : public Engine {
public:
    // Takes `synth`, creates the WAV file when one is configured, and starts the
    // engine thread, which opens the audio device otherwise.
    SpeechEngine(OutputConfig config, std::unique_ptr<Synthesizer> synth);
    // Discards the queue, stops the sound, joins the engine thread, then closes
    // the output and lets go of the synthesiser.
    ~SpeechEngine() override;
    SpeechEngine(const SpeechEngine &) = delete;
    SpeechEngine &operator=(const SpeechEngine &) = delete;

    // Queues `text` (bytes, UTF-8 or Windows-1252) with the current voice and
    // speed; always true.
    bool read(std::string text) override;
    // Discards the queue and what is being spoken. Returns when the engine thread
    // has let go of the utterance, or after a short time-out should the device
    // hang; either way the output is silenced and isSpeaking() is false from then on.
    void stop() override;
    // True from read() until the last sample has been played, false after stop().
    bool isSpeaking() override;

    // Settings for the texts queued after the call. Speed is clamped to 10..300;
    // a language other than 99 or 101 and a speaker other than 0 or 1 are refused
    // (false) and change nothing.
    void setSpeed(int speed) override;
    bool setLanguage(int code) override;
    bool setSpeaker(int speaker) override;

    // The synthesiser's own rate and samples, straight to the caller; what is
    // being played is stopped first, and the engine thread waits meanwhile.
    int memorySampleRate() override;
    int synthesizeToMemory(const std::string &text, const MemorySink &sink) override;

private:
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
    void finish(bool completed);
    bool isCurrent(uint64_t epoch) const { return m_epoch.load() == epoch; }

    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // to the engine thread: a job, a stop, the end
    std::condition_variable m_idle; // to stop(): the engine thread let go of a job
    std::deque<Job> m_queue;
    std::atomic<uint64_t> m_epoch{1}; // raised by every stop; written under m_mutex
    uint64_t m_activeEpoch = 0;       // epoch of the job being spoken, 0 when none
    bool m_shutdown = false;
    VoiceChoice m_voice;
    int m_speed;

    // Held while the synthesiser runs, by the engine thread or synthesizeToMemory().
    std::mutex m_synthMutex;
    // Created by the constructor, then used by the engine thread only, and
    // destroyed after it has been joined.
    std::unique_ptr<Synthesizer> m_synth;
    std::unique_ptr<AudioOutput> m_output; // cancel() from any thread

    std::thread m_thread; // last: started once everything above exists
};

} // namespace upctv
