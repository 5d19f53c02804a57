#include "SpeechEngine.h"

#include "PcAudioSink.h"
#include "SpeedMapping.h"
#include "WavSink.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace upctv {
namespace {

// How long stop() waits for the engine thread; only a hung audio device makes
// it wait that long.
constexpr auto StopTimeout = std::chrono::milliseconds(500);

std::unique_ptr<AudioSink> openWavSink(const EngineConfig &config, int sampleRate) {
    auto wav = std::make_unique<WavSink>(config.wavPath, sampleRate, config.wavPaced);
    if (wav->isOpen())
        return wav;
    return std::make_unique<NullSink>();
}

} // namespace

EngineConfig EngineConfig::fromEnvironment() {
    EngineConfig config;
    if (const char *path = std::getenv("UPCTV_WAV_FILE"); path != nullptr)
        config.wavPath = path;
    if (const char *pace = std::getenv("UPCTV_WAV_PACE"); pace != nullptr)
        config.wavPaced = std::strcmp(pace, "0") != 0;
    return config;
}

SpeechEngine::SpeechEngine(EngineConfig config, std::unique_ptr<Synthesizer> synth)
    : m_config(std::move(config)), m_speed(DefaultSpeed), m_synth(std::move(synth)) {
    m_sampleRate = m_synth->sampleRate();
    // A WAV file exists, with its header, as soon as the library is loaded; the
    // device is opened on the engine thread, as PulseAudio may take a second.
    if (!m_config.wavPath.empty())
        m_sink = openWavSink(m_config, m_sampleRate);
    m_thread = std::thread([this] { run(); });
}

SpeechEngine::~SpeechEngine() {
    {
        std::lock_guard lock(m_mutex);
        m_shutdown = true;
        m_queue.clear();
        ++m_epoch;
        m_synth->interrupt();
    }
    m_wake.notify_all();
    m_thread.join();
    // In the reverse order of their creation.
    m_sink.reset();
    m_synth.reset();
}

void SpeechEngine::read(std::string text) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(Job{std::move(text), m_voice, m_speed, m_epoch.load()});
    }
    m_wake.notify_all();
}

void SpeechEngine::stop() {
    std::unique_lock lock(m_mutex);
    ++m_epoch;
    m_queue.clear();
    m_synth->interrupt();
    m_wake.notify_all();
    m_idle.wait_for(lock, StopTimeout, [this] { return m_activeEpoch == 0; });
}

bool SpeechEngine::isSpeaking() const {
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

void SpeechEngine::run() {
    try {
        if (!m_sink) {
            auto device = std::make_unique<PcAudioSink>(m_sampleRate);
            device->warmUp();
            m_sink = std::move(device);
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "upctv: no audio output: %s\n", e.what());
        m_sink = std::make_unique<NullSink>();
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
    m_sink->beginUtterance();
    const bool completed = synth.synthesize(job.text, job.voice, job.speed,
                                            [this, &job](const int16_t *samples, size_t count) {
                                                return deliver(job.epoch, samples, count);
                                            });
    finish(job.epoch, completed);
}

bool SpeechEngine::deliver(uint64_t epoch, const int16_t *samples, size_t count) {
    if (!isCurrent(epoch))
        return false;
    m_playEnd = std::max(m_playEnd, Clock::now());
    if (m_sink->isPaced() && !waitUntil(m_playEnd - m_sink->lead(), epoch))
        return false;
    m_sink->write(samples, count);
    m_playEnd += std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(count) / m_sampleRate));
    return true;
}

void SpeechEngine::finish(uint64_t epoch, bool completed) {
    if (completed) {
        bool more = false;
        {
            std::lock_guard lock(m_mutex);
            more = !m_queue.empty();
        }
        // The next text follows straight on; only the last one waits to be heard.
        if (more)
            return;
        const bool played = !m_sink->isPaced() || waitUntil(m_playEnd, epoch);
        if (played) {
            m_sink->drain();
            return;
        }
    }
    m_sink->flush();
    // What was cut off will never play: the next text starts at once.
    m_playEnd = Clock::now();
}

bool SpeechEngine::waitUntil(Clock::time_point deadline, uint64_t epoch) {
    std::unique_lock lock(m_mutex);
    const bool stopped =
        m_wake.wait_until(lock, deadline, [this, epoch] { return !isCurrent(epoch); });
    return !stopped;
}

} // namespace upctv
