#include "PulseSink.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace upctv {
namespace {

// A speech stream's whole latency (its buffer and the sink's). A stop flushes the
// stream and the server rewinds the sink, so what is queued does not lengthen a
// stop; the latency is how late libpulse's thread may answer the server's
// requests before the sound runs dry. Fed from the queue below, the reader
// reading a book for ten minutes beside two busy loops on two cores ran dry once
// at 20 ms and not at all at 40 ms, on PulseAudio 16 and on PipeWire's
// PulseAudio service.
// UPCTV_AUDIO_LATENCY_MS (5 to 1000) overrides it.
constexpr pa_usec_t DefaultLatency = 40 * PA_USEC_PER_MSEC;
pa_usec_t speechLatency() {
    const char *text = std::getenv("UPCTV_AUDIO_LATENCY_MS");
    const long ms = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
    return ms >= 5 && ms <= 1000 ? pa_usec_t(ms) * PA_USEC_PER_MSEC : DefaultLatency;
}

pa_usec_t usec(std::chrono::milliseconds ms) {
    return pa_usec_t(ms.count()) * PA_USEC_PER_MSEC;
}

pa_buffer_attr bufferFor(pa_usec_t latency, pa_usec_t request, const pa_sample_spec &format) {
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(latency, &format));
    attr.prebuf = static_cast<uint32_t>(-1); // playback starts once tlength is queued
    attr.minreq = static_cast<uint32_t>(pa_usec_to_bytes(request, &format));
    attr.fragsize = static_cast<uint32_t>(-1);
    return attr;
}
constexpr pa_usec_t ConnectTimeout = 2 * PA_USEC_PER_SEC;

void release(pa_operation *operation) {
    if (operation != nullptr)
        pa_operation_unref(operation);
}

} // namespace

// Holds the main loop's lock, which guards the connection and every field the
// callbacks touch.
class PulseSink::Lock {
public:
    explicit Lock(pa_threaded_mainloop *loop) : m_loop(loop) { pa_threaded_mainloop_lock(m_loop); }
    ~Lock() { pa_threaded_mainloop_unlock(m_loop); }
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

PulseSink::PulseSink(int sampleRate, std::string clientName, StreamTiming timing)
    : m_sampleRate(sampleRate), m_clientName(std::move(clientName)), m_timing(timing) {}

PulseSink::~PulseSink() {
    close();
}

bool PulseSink::open() {
    m_loop = pa_threaded_mainloop_new();
    if (m_loop == nullptr)
        return false;
    if (pa_threaded_mainloop_start(m_loop) < 0) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
        return false;
    }
    bool ready = false;
    {
        Lock lock(m_loop);
        m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), m_clientName.c_str());
        pa_time_event *timer =
            m_context == nullptr
                ? nullptr
                : pa_context_rttime_new(m_context, pa_rtclock_now() + ConnectTimeout,
                                        &PulseSink::onTimeout, this);
        ready = timer != nullptr && connectContext() && connectStream();
        if (timer != nullptr)
            pa_threaded_mainloop_get_api(m_loop)->time_free(timer);
    }
    if (!ready)
        close();
    return ready;
}

bool PulseSink::connectContext() {
    pa_context_set_state_callback(m_context, &PulseSink::onContextState, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    pa_context_state_t state = pa_context_get_state(m_context);
    while (state != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(state) && !m_timedOut) {
        pa_threaded_mainloop_wait(m_loop);
        state = pa_context_get_state(m_context);
    }
    return state == PA_CONTEXT_READY;
}

bool PulseSink::connectStream() {
    const pa_sample_spec format{PA_SAMPLE_S16LE, static_cast<uint32_t>(m_sampleRate), 1};
    m_stream = pa_stream_new(m_context, "Speech", &format, nullptr);
    if (m_stream == nullptr)
        return false;
    pa_stream_set_state_callback(m_stream, &PulseSink::onStreamState, this);
    pa_stream_set_write_callback(m_stream, &PulseSink::onRequest, this);
    pa_stream_set_underflow_callback(m_stream, &PulseSink::onUnderflow, this);
    m_latency = m_timing.latency.count() > 0 ? usec(m_timing.latency) : speechLatency();
    const pa_buffer_attr attr = bufferFor(m_latency, usec(m_timing.request), format);
    m_aheadLimit = pa_usec_to_bytes(usec(m_timing.ahead), &format);
    m_queue.reserve(2 * m_aheadLimit);
    if (pa_stream_connect_playback(m_stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr,
                                   nullptr) < 0)
        return false;
    pa_stream_state_t state = pa_stream_get_state(m_stream);
    while (state == PA_STREAM_CREATING && !m_timedOut) {
        pa_threaded_mainloop_wait(m_loop);
        state = pa_stream_get_state(m_stream);
    }
    return state == PA_STREAM_READY;
}

void PulseSink::beginUtterance() {
    Lock lock(m_loop);
    m_interrupted = false;
}

bool PulseSink::write(const int16_t *samples, size_t count) {
    Lock lock(m_loop);
    // Only from the utterance's first samples on is running dry a gap: a
    // synthesiser may take a while to start (Festival), and the server may still
    // report the end of what a stop flushed.
    m_inUtterance = !m_interrupted;
    const auto *data = reinterpret_cast<const uint8_t *>(samples);
    size_t left = count * sizeof(int16_t);
    while (left > 0 && !m_interrupted) {
        if (!streamReady() || m_writeFailed) {
            fail(m_writeFailed ? "write failed" : "lost the connection");
            return false;
        }
        const size_t room = m_aheadLimit - std::min(m_aheadLimit, queuedBytes());
        if (room == 0) {
            pa_threaded_mainloop_wait(m_loop); // until the server has taken some
            continue;
        }
        const size_t piece = std::min(room, left);
        m_queue.insert(m_queue.end(), data, data + piece);
        data += piece;
        left -= piece;
        feed();
    }
    return true;
}

size_t PulseSink::queuedBytes() const {
    return m_queue.size() - m_queueFront;
}

void PulseSink::feed() {
    if (!streamReady() || m_writeFailed)
        return;
    const size_t piece = std::min(pa_stream_writable_size(m_stream), queuedBytes()) & ~size_t(1);
    if (piece == 0)
        return;
    if (pa_stream_write(m_stream, m_queue.data() + m_queueFront, piece, nullptr, 0,
                        PA_SEEK_RELATIVE) < 0) {
        m_writeFailed = true;
        return;
    }
    m_queueFront += piece;
    const auto fed =
        std::chrono::microseconds(static_cast<long long>(piece) * 500000 / m_sampleRate);
    m_serverEnd = std::max(m_serverEnd, Clock::now()) + fed;
    if (m_queueFront == m_queue.size()) {
        dropQueue();
    } else if (m_queueFront >= m_aheadLimit) {
        m_queue.erase(m_queue.begin(), m_queue.begin() + std::ptrdiff_t(m_queueFront));
        m_queueFront = 0;
    }
}

std::chrono::microseconds PulseSink::unheard() const {
    Lock lock(m_loop);
    const auto bytes = static_cast<long long>(queuedBytes());
    // The server plays what it was handed in real time and never holds more than
    // the latency: the bound keeps the two clocks' drift out of the estimate.
    const auto held = std::chrono::duration_cast<std::chrono::microseconds>(
        std::max(m_serverEnd - Clock::now(), Clock::duration(0)));
    return std::chrono::microseconds(bytes * 500000 / m_sampleRate) +
           std::min(held, std::chrono::microseconds(static_cast<long long>(m_latency)));
}

void PulseSink::dropQueue() {
    m_queue.clear();
    m_queueFront = 0;
}

void PulseSink::drain() {
    Lock lock(m_loop);
    while (queuedBytes() > 0 && !m_interrupted && streamReady() && !m_writeFailed)
        pa_threaded_mainloop_wait(m_loop);
    m_inUtterance = false;
    if (!streamReady())
        return;
    pa_operation *operation = pa_stream_drain(
        m_stream,
        [](pa_stream *, int, void *loop) {
            pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(loop), 0);
        },
        m_loop);
    while (operation != nullptr && pa_operation_get_state(operation) == PA_OPERATION_RUNNING &&
           !m_interrupted && streamReady())
        pa_threaded_mainloop_wait(m_loop);
    if (operation != nullptr && pa_operation_get_state(operation) == PA_OPERATION_RUNNING)
        pa_operation_cancel(operation);
    release(operation);
}

void PulseSink::flush() {
    Lock lock(m_loop);
    m_inUtterance = false;
    dropQueue();
    m_serverEnd = Clock::now();
    if (streamReady())
        release(pa_stream_flush(m_stream, nullptr, nullptr));
}

void PulseSink::interrupt() {
    Lock lock(m_loop);
    m_interrupted = true;
    m_inUtterance = false;
    dropQueue();
    m_serverEnd = Clock::now();
    if (streamReady())
        release(pa_stream_flush(m_stream, nullptr, nullptr));
    pa_threaded_mainloop_signal(m_loop, 0);
}

bool PulseSink::streamReady() const {
    return m_stream != nullptr && pa_stream_get_state(m_stream) == PA_STREAM_READY;
}

void PulseSink::fail(const char *what) {
    std::fprintf(stderr, "upctv: audio server: %s (%s)\n", what,
                 pa_strerror(pa_context_errno(m_context)));
}

void PulseSink::close() {
    if (m_loop == nullptr)
        return;
    {
        Lock lock(m_loop);
        if (m_stream != nullptr) {
            pa_stream_set_state_callback(m_stream, nullptr, nullptr);
            pa_stream_set_write_callback(m_stream, nullptr, nullptr);
            pa_stream_set_underflow_callback(m_stream, nullptr, nullptr);
            pa_stream_disconnect(m_stream);
            pa_stream_unref(m_stream);
            m_stream = nullptr;
        }
        if (m_context != nullptr) {
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
            m_context = nullptr;
        }
    }
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}

void PulseSink::onContextState(pa_context *, void *self) {
    pa_threaded_mainloop_signal(static_cast<PulseSink *>(self)->m_loop, 0);
}

void PulseSink::onStreamState(pa_stream *, void *self) {
    pa_threaded_mainloop_signal(static_cast<PulseSink *>(self)->m_loop, 0);
}

void PulseSink::onRequest(pa_stream *, size_t, void *self) {
    auto *sink = static_cast<PulseSink *>(self);
    sink->feed();
    pa_threaded_mainloop_signal(sink->m_loop, 0);
}

void PulseSink::onUnderflow(pa_stream *, void *self) {
    auto *sink = static_cast<PulseSink *>(self);
    if (!sink->m_inUtterance)
        return; // the end of an utterance, or a stop: nothing was missing
    ++sink->m_underruns;
    std::fprintf(stderr, "upctv: audio underrun (%u so far)\n", sink->m_underruns);
}

void PulseSink::onTimeout(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *self) {
    auto *sink = static_cast<PulseSink *>(self);
    sink->m_timedOut = true;
    pa_threaded_mainloop_signal(sink->m_loop, 0);
}

} // namespace upctv
