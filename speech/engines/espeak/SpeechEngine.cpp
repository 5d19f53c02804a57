#include "SpeechEngine.h"

#include "SpeedMapping.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

namespace upctv {
namespace {

// How long stop() waits for the engine thread; only a hung audio device makes
// it wait that long.
constexpr auto StopTimeout = std::chrono::milliseconds(500);

} // namespace

SpeechEngine::SpeechEngine(OutputConfig config, std::unique_ptr<Synthesizer> synth)
    : m_speed(DefaultSpeed), m_synth(std::move(synth)) {
    const int sampleRate = m_synth->sampleRate();
    // A WAV file exists, with its header, as soon as the library is loaded; the
    // device is opened on the engine thread, as a sound server may take a second.
    m_output = std::make_unique<AudioOutput>(std::move(config), sampleRate, "Zelvora");
    m_thread = std::thread([this] { run(); });
}

SpeechEngine::~SpeechEngine() {
    {
        std::lock_guard lock(m_mutex);
        m_shutdown = true;
        m_queue.clear();
        ++m_epoch;
    }
    m_wake.notify_all();
    m_output->cancel();
    m_synth->interrupt();
    m_thread.join();
    // In the reverse order of their creation.
    m_output.reset();
    m_synth.reset();
}

bool SpeechEngine::read(std::string text) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(Job{std::move(text), m_voice, m_speed, m_epoch.load()});
    }
    m_wake.notify_all();
    return true;
}

void SpeechEngine::stop() {
    std::unique_lock lock(m_mutex);
    ++m_epoch;
    m_queue.clear();
    m_wake.notify_all();
    // Silent from here on, whatever the engine thread is doing.
    m_output->cancel();
    m_synth->interrupt();
    m_idle.wait_for(lock, StopTimeout, [this] { return m_activeEpoch == 0; });
}

bool SpeechEngine::isSpeaking() {
    std::lock_guard lock(m_mutex);
    return !m_queue.empty() || (m_activeEpoch != 0 && m_activeEpoch == m_epoch.load());
}

void SpeechEngine::setSpeed(int speed) {
    std::lock_guard lock(m_mutex);
    m_speed = clampSpeed(speed);
}

bool SpeechEngine::setLanguage(int code) {
    if (code != 99 && code != 101)
        return false;
    std::lock_guard lock(m_mutex);
    m_voice.language = code;
    return true;
}

bool SpeechEngine::setSpeaker(int speaker) {
    if (speaker != 0 && speaker != 1)
        return false;
    std::lock_guard lock(m_mutex);
    m_voice.speaker = speaker;
    return true;
}

int SpeechEngine::memorySampleRate() {
    return m_synth->sampleRate();
}

int SpeechEngine::synthesizeToMemory(const std::string &text, const MemorySink &sink) {
    stop();
    VoiceChoice voice;
    int speed = 0;
    {
        std::lock_guard lock(m_mutex);
        voice = m_voice;
        speed = m_speed;
    }
    std::lock_guard synthLock(m_synthMutex);
    bool aborted = false;
    const bool completed =
        m_synth->synthesize(text, voice, speed, [&](const int16_t *samples, size_t count) {
            aborted = !sink(samples, count);
            return !aborted;
        });
    if (completed)
        return 0;
    return aborted ? 1 : -1;
}

void SpeechEngine::run() {
    try {
        m_output->open();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "upctv: no audio output: %s\n", e.what());
    }
    Job job;
    while (nextJob(job)) {
        try {
            speak(*m_synth, job);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "upctv: utterance dropped: %s\n", e.what());
        }
        {
            std::lock_guard lock(m_mutex);
            m_activeEpoch = 0;
        }
        m_idle.notify_all();
    }
}

bool SpeechEngine::nextJob(Job &job) {
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_shutdown || !m_queue.empty(); });
    if (m_shutdown)
        return false;
    job = std::move(m_queue.front());
    m_queue.pop_front();
    m_activeEpoch = job.epoch;
    return true;
}

void SpeechEngine::speak(Synthesizer &synth, const Job &job) {
    if (!isCurrent(job.epoch))
        return;
    m_output->begin();
    std::lock_guard synthLock(m_synthMutex);
    const bool completed = synth.synthesize(job.text, job.voice, job.speed,
                                            [this, &job](const int16_t *samples, size_t count) {
                                                return deliver(job.epoch, samples, count);
                                            });
    finish(completed);
}

bool SpeechEngine::deliver(uint64_t epoch, const int16_t *samples, size_t count) {
    return isCurrent(epoch) && m_output->play(samples, count);
}

void SpeechEngine::finish(bool completed) {
    if (completed) {
        bool more = false;
        {
            std::lock_guard lock(m_mutex);
            more = !m_queue.empty();
        }
        // The next text follows straight on; only the last one waits to be heard.
        if (m_output->complete(more))
            return;
    }
    m_output->discard();
}

} // namespace upctv
