#include "AudioCapture.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int BlockFrames = AudioCapture::Rate / 400; // 2.5 ms
constexpr int ToneFrames = AudioCapture::Rate / 200;  // 5 ms
constexpr int ToneLevel = 12000;
constexpr double ToneHertz = 3000;
constexpr int MarkerLevel = 1000; // in right minus left

pa_simple *openStream(pa_stream_direction_t direction, const char *device, const char *name,
                      const pa_buffer_attr &attr) {
    const pa_sample_spec format{PA_SAMPLE_S16LE, AudioCapture::Rate, 2};
    int error = 0;
    pa_simple *stream = pa_simple_new(nullptr, "bench_audio", direction, device, name, &format,
                                      nullptr, &attr, &error);
    if (stream == nullptr)
        std::fprintf(stderr, "bench_audio: %s stream: %s\n", name, pa_strerror(error));
    return stream;
}

double secondsNow() {
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

} // namespace

bool AudioCapture::start(Timing timing) {
    const uint32_t bytesPerMs = Rate * 4 / 1000;
    const bool precise = timing == Timing::Precise;
    pa_buffer_attr recording{};
    recording.maxlength = uint32_t(-1);
    recording.fragsize = (precise ? 5 : 50) * bytesPerMs;
    m_recorder = openStream(PA_STREAM_RECORD, "null.monitor", "recorder", recording);
    pa_buffer_attr marker{};
    marker.maxlength = uint32_t(-1);
    marker.tlength = (precise ? 10 : 100) * bytesPerMs;
    marker.prebuf = uint32_t(-1);
    marker.minreq = 2 * bytesPerMs;
    m_marker = openStream(PA_STREAM_PLAYBACK, "null", "marker", marker);
    if (m_recorder == nullptr || m_marker == nullptr)
        return false;
    m_running = true;
    m_recordThread = std::thread([this] { record(); });
    m_markerThread = std::thread([this] { playMarkers(); });
    return true;
}

void AudioCapture::finish() {
    m_running = false;
    if (m_markerThread.joinable())
        m_markerThread.join();
    if (m_recordThread.joinable())
        m_recordThread.join();
    if (m_marker != nullptr)
        pa_simple_free(m_marker);
    if (m_recorder != nullptr)
        pa_simple_free(m_recorder);
    m_marker = m_recorder = nullptr;
}

AudioCapture::~AudioCapture() {
    finish();
}

int AudioCapture::mark() {
    std::lock_guard lock(m_mutex);
    m_marks.push_back(Mark{secondsNow(), 0});
    ++m_pendingMarks;
    return int(m_marks.size()) - 1;
}

void AudioCapture::record() {
    std::vector<int16_t> block(size_t(BlockFrames) * 2);
    while (m_running) {
        int error = 0;
        if (pa_simple_read(m_recorder, block.data(), block.size() * 2, &error) < 0) {
            std::fprintf(stderr, "bench_audio: recording failed: %s\n", pa_strerror(error));
            return;
        }
        for (size_t i = 0; i < block.size(); i += 2) {
            m_speech.push_back(block[i]);
            m_markerChannel.push_back(int16_t(std::clamp(block[i + 1] - block[i], -32768, 32767)));
        }
    }
}

void AudioCapture::playMarkers() {
    const std::vector<int16_t> silence(size_t(BlockFrames) * 2, 0);
    std::vector<int16_t> tone(size_t(ToneFrames) * 2, 0);
    for (int i = 0; i < ToneFrames; ++i)
        tone[size_t(i) * 2 + 1] = int16_t(ToneLevel * std::cos(2 * M_PI * ToneHertz * i / Rate));
    size_t nextMark = 0;
    while (m_running) {
        int error = 0;
        if (m_pendingMarks.load() > 0) {
            const pa_usec_t queued = pa_simple_get_latency(m_marker, &error);
            const double now = secondsNow();
            {
                std::lock_guard lock(m_mutex);
                Mark &mark = m_marks[nextMark++];
                mark.toneDelay = (now - mark.calledAt) + double(queued) / 1e6;
            }
            --m_pendingMarks;
            pa_simple_write(m_marker, tone.data(), tone.size() * 2, &error);
        } else {
            pa_simple_write(m_marker, silence.data(), silence.size() * 2, &error);
        }
    }
}

std::vector<long> AudioCapture::eventPositions() const {
    std::vector<long> onsets;
    long quietUntil = 0;
    const auto loud = [this](long i) {
        return i < long(m_markerChannel.size()) &&
               std::abs(int(m_markerChannel[size_t(i)])) > MarkerLevel;
    };
    for (long i = 0; i < long(m_markerChannel.size()); ++i) {
        if (i < quietUntil || !loud(i))
            continue;
        // A tone, not a stray sample: loud through most of its 5 ms.
        int loudSamples = 0;
        for (long j = i; j < i + ToneFrames; ++j)
            loudSamples += loud(j) ? 1 : 0;
        if (loudSamples < ToneFrames / 2)
            continue;
        onsets.push_back(i);
        quietUntil = i + Rate / 50; // events are further apart than that
    }
    // Each event's tone is looked for near where the previous one and the time
    // between the two calls put it; a tone lost on a busy machine costs one event.
    std::lock_guard lock(m_mutex);
    std::vector<long> places(m_marks.size(), -1);
    long anchor = onsets.empty() ? -1 : onsets.front();
    double anchorCalled = m_marks.empty() ? 0 : m_marks.front().calledAt;
    size_t next = 0;
    for (size_t i = 0; i < m_marks.size() && anchor >= 0; ++i) {
        const long expected = anchor + std::lround((m_marks[i].calledAt - anchorCalled) * Rate);
        while (next < onsets.size() && onsets[next] < expected - Rate / 10)
            ++next;
        if (next == onsets.size() || onsets[next] > expected + Rate / 10) {
            std::fprintf(stderr, "bench_audio: no tone for event %zu\n", i);
            continue;
        }
        anchor = onsets[next];
        anchorCalled = m_marks[i].calledAt;
        places[i] = onsets[next++] - std::lround(m_marks[i].toneDelay * Rate);
    }
    return places;
}

long firstLoud(const std::vector<int16_t> &speech, long from, long to) {
    for (long i = std::max(0L, from); i < std::min(to, long(speech.size())); ++i)
        if (std::abs(int(speech[size_t(i)])) > LoudLevel)
            return i;
    return -1;
}

long endOfSound(const std::vector<int16_t> &speech, long from, long to) {
    for (long i = std::min(to, long(speech.size())) - 1; i >= std::max(0L, from); --i)
        if (std::abs(int(speech[size_t(i)])) > LoudLevel)
            return i + 1;
    return -1;
}

long longestInnerSilence(const std::vector<int16_t> &speech, long from, long to) {
    const long first = firstLoud(speech, from, to);
    const long end = endOfSound(speech, from, to);
    long best = 0, run = 0;
    for (long i = first; first >= 0 && i < end; ++i) {
        run = std::abs(int(speech[size_t(i)])) > LoudLevel ? 0 : run + 1;
        best = std::max(best, run);
    }
    return best;
}
