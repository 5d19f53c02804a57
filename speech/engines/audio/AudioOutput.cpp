#include "AudioOutput.h"

#include "PcAudioSink.h"
#include "PulseSink.h"
#include "WavSink.h"

#include <cstdlib>
#include <cstring>

namespace upctv {
namespace {

// After a sound server failed, the next utterance at least this long after the
// last attempt tries to reconnect.
constexpr auto RetryInterval = std::chrono::seconds(10);

} // namespace

OutputConfig OutputConfig::fromEnvironment() {
    OutputConfig config;
    if (const char *path = std::getenv("UPCTV_WAV_FILE"); path != nullptr)
        config.wavPath = path;
    if (const char *pace = std::getenv("UPCTV_WAV_PACE"); pace != nullptr)
        config.wavPaced = std::strcmp(pace, "0") != 0;
    return config;
}

AudioOutput::AudioOutput(OutputConfig config, int sampleRate, std::string clientName,
                         StreamTiming timing)
    : m_config(std::move(config)), m_sampleRate(sampleRate), m_clientName(std::move(clientName)),
      m_timing(timing) {
    if (m_config.wavPath.empty())
        return;
    auto wav = std::make_unique<WavSink>(m_config.wavPath, m_sampleRate, m_config.wavPaced);
    if (wav->isOpen())
        m_sink = std::move(wav);
    else
        m_sink = std::make_unique<NullSink>();
}

AudioOutput::~AudioOutput() = default;

void AudioOutput::open() {
    if (!m_sink)
        openDevice();
}

void AudioOutput::openDevice() {
    m_lastOpen = Clock::now();
    std::unique_ptr<AudioSink> device;
    auto pulse = std::make_unique<PulseSink>(m_sampleRate, m_clientName, m_timing);
    if (pulse->open()) {
        device = std::move(pulse);
    } else {
        // No sound server: ALSA through pcaudiolib, or nothing (it says so).
        auto fallback = std::make_unique<PcAudioSink>(m_sampleRate);
        fallback->warmUp();
        device = std::move(fallback);
    }
    std::unique_ptr<AudioSink> replaced;
    {
        std::lock_guard lock(m_mutex);
        replaced = std::move(m_sink);
        m_sink = std::move(device);
    }
    m_deviceFailed = false;
}

void AudioOutput::begin() {
    if (m_deviceFailed && m_config.wavPath.empty() && Clock::now() - m_lastOpen >= RetryInterval)
        openDevice();
    std::lock_guard lock(m_mutex);
    m_cancelled = false;
    m_sink->beginUtterance();
}

bool AudioOutput::play(const int16_t *samples, size_t count) {
    if (isCancelled())
        return false;
    if (m_sink->pacesItself() && !m_deviceFailed) {
        if (m_sink->write(samples, count))
            return !isCancelled();
        m_deviceFailed = true; // from here on the clock keeps time
        m_playEnd = Clock::now();
    }
    m_playEnd = std::max(m_playEnd, Clock::now());
    if (m_sink->isPaced() && !waitUntil(m_playEnd - m_sink->lead()))
        return false;
    if (!m_deviceFailed)
        m_sink->write(samples, count);
    m_playEnd += std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(count) / m_sampleRate));
    return true;
}

bool AudioOutput::complete(bool moreFollows) {
    if (moreFollows)
        return !isCancelled();
    const bool clockKeepsTime = !m_sink->pacesItself() || m_deviceFailed;
    if (clockKeepsTime && m_sink->isPaced() && !waitUntil(m_playEnd))
        return false;
    m_sink->drain();
    return !isCancelled();
}

void AudioOutput::discard() {
    m_sink->flush();
    // What was cut off will never play: the next utterance starts at once.
    m_playEnd = Clock::now();
}

void AudioOutput::cancel() {
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    if (m_sink)
        m_sink->interrupt();
    m_wake.notify_all();
}

std::chrono::microseconds AudioOutput::unheard() {
    if (!m_sink->isPaced())
        return std::chrono::microseconds(0);
    if (m_sink->pacesItself() && !m_deviceFailed)
        return m_sink->unheard();
    const auto left = m_playEnd - Clock::now();
    return std::max(std::chrono::microseconds(0),
                    std::chrono::duration_cast<std::chrono::microseconds>(left));
}

bool AudioOutput::waitUntil(Clock::time_point deadline) {
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_until(lock, deadline, [this] { return m_cancelled; });
}

bool AudioOutput::isCancelled() {
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

} // namespace upctv
