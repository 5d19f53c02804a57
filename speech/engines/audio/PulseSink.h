#pragma once

#include "AudioSink.h"
#include "StreamTiming.h"

#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace upctv {

// The default output of a PulseAudio server (PipeWire's PulseAudio service too)
// through libpulse's asynchronous API: the stream asks for a short total
// latency, and libpulse's thread writes the pieces the server requests from a
// queue the engine fills up to StreamTiming::ahead (300 ms for speech), so the
// server paces the writes and no more than the latency is queued in it. A stop empties the queue
// and flushes the stream (the server drops what it holds and rewinds the sink) instead of letting
// it play out.
//
// Threads: libpulse's own thread runs the connection from open() to the
// destructor. interrupt() may be called from any thread; every other member on
// the engine thread only.
class PulseSink final : public AudioSink {
public:
    PulseSink(int sampleRate, std::string clientName, StreamTiming timing = StreamTiming::speech());
    ~PulseSink() override;
    PulseSink(const PulseSink &) = delete;
    PulseSink &operator=(const PulseSink &) = delete;

    // Connects to the server and opens the stream; false (after at most two
    // seconds) when no server answers. Never starts a server.
    bool open();

    void beginUtterance() override;
    // Queues `samples`, blocking while the queue is full, until interrupt().
    // Returns false when the connection has failed.
    bool write(const int16_t *samples, size_t count) override;
    // Blocks until everything queued has been played, or until interrupt().
    void drain() override;
    void flush() override;
    void interrupt() override;
    bool pacesItself() const override { return true; }
    // The queue plus what the server still holds: what was handed to it, less
    // the time since, at most the stream's latency.
    std::chrono::microseconds unheard() const override;

private:
    class Lock;
    static void onContextState(pa_context *context, void *self);
    static void onStreamState(pa_stream *stream, void *self);
    static void onRequest(pa_stream *stream, size_t bytes, void *self);
    static void onUnderflow(pa_stream *stream, void *self);
    static void onTimeout(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *self);
    bool connectContext();
    bool connectStream();
    bool streamReady() const;
    size_t queuedBytes() const;
    // Hands the server as much of the queue as it asks for.
    void feed();
    void dropQueue();
    void fail(const char *what);
    void close();

    int m_sampleRate;
    std::string m_clientName;
    StreamTiming m_timing;
    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    // Guarded by the main loop's lock.
    bool m_timedOut = false;
    bool m_interrupted = false; // set by interrupt(), cleared by beginUtterance()
    bool m_inUtterance = false; // an underrun now is a gap in the speech
    bool m_writeFailed = false;
    unsigned m_underruns = 0;
    // What the engine has written and the server has not yet asked for, from
    // m_queueFront on; at most m_aheadLimit bytes.
    std::vector<uint8_t> m_queue;
    size_t m_queueFront = 0;
    size_t m_aheadLimit = 0;
    pa_usec_t m_latency = 0;
    using Clock = std::chrono::steady_clock;
    Clock::time_point m_serverEnd; // when what the server was handed has played
};

} // namespace upctv
