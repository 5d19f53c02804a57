#include "PcAudioSink.h"

#include <pcaudiolib/audio.h>

#include <cstdio>
#include <vector>

namespace upctv {
namespace {

constexpr auto RetryInterval = std::chrono::seconds(10);
constexpr int WarmUpMilliseconds = 100;

} // namespace

PcAudioSink::PcAudioSink(int sampleRate) : m_sampleRate(sampleRate) {
    ensureOpen();
}

PcAudioSink::~PcAudioSink() {
    close();
}

bool PcAudioSink::ensureOpen() {
    if (m_open)
        return true;
    const auto now = std::chrono::steady_clock::now();
    if (m_attempted && now - m_lastAttempt < RetryInterval)
        return false;
    m_attempted = true;
    m_lastAttempt = now;
    if (m_device == nullptr)
        m_device = create_audio_device_object(nullptr, "Zelvora", "Speech");
    if (m_device == nullptr)
        return false;
    const int error = audio_object_open(m_device, AUDIO_OBJECT_FORMAT_S16LE,
                                        static_cast<uint32_t>(m_sampleRate), 1);
    if (error != 0) {
        if (!m_failureReported)
            std::fprintf(stderr, "upctv: no audio device (%s); speech is timed but silent\n",
                         audio_object_strerror(m_device, error));
        m_failureReported = true;
        return false;
    }
    m_open = true;
    return true;
}

void PcAudioSink::warmUp() {
    if (!m_open)
        return;
    const std::vector<int16_t> silence(static_cast<size_t>(m_sampleRate) * WarmUpMilliseconds /
                                       1000);
    write(silence.data(), silence.size());
}

bool PcAudioSink::write(const int16_t *samples, size_t count) {
    if (!m_open)
        return false;
    const int error = audio_object_write(m_device, samples, count * sizeof(int16_t));
    if (error == 0)
        return true;
    std::fprintf(stderr, "upctv: audio device failed (%s)\n",
                 audio_object_strerror(m_device, error));
    close();
    return false;
}

void PcAudioSink::drain() {
    if (m_open)
        audio_object_drain(m_device);
}

void PcAudioSink::flush() {
    if (m_open)
        audio_object_flush(m_device);
}

void PcAudioSink::close() {
    if (m_device == nullptr)
        return;
    if (m_open)
        audio_object_close(m_device);
    audio_object_destroy(m_device);
    m_device = nullptr;
    m_open = false;
}

} // namespace upctv
