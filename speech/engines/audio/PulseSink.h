#pragma once

#include "AudioSink.h"

#include <pulse/pulseaudio.h>

#include <string>

namespace upctv {

// The default output of a PulseAudio server (PipeWire's PulseAudio service too)
// through libpulse's asynchronous API: the stream asks for 100 ms of total
// latency, and samples are written in the small pieces the server requests, so
// the server paces the writes and no more than that is queued ahead.
// A stop flushes the stream (the server drops what is queued and rewinds the
// sink) instead of letting it play out.
//
// Threads: libpulse's own thread runs the connection from open() to the
// destructor. interrupt() may be called from any thread; every other member on
// the engine thread only.
class PulseSink final : public AudioSink {
public:
    PulseSink(int sampleRate, std::string clientName);
    ~PulseSink() override;
    PulseSink(const PulseSink &) = delete;
    PulseSink &operator=(const PulseSink &) = delete;

    // Connects to the server and opens the stream; false (after at most two
    // seconds) when no server answers. Never starts a server.
    bool open();

    void beginUtterance() override;
    // Blocks until the server has taken all of `samples`, or until interrupt().
    // Returns false when the connection has failed.
    bool write(const int16_t *samples, size_t count) override;
    // Blocks until everything written has been played, or until interrupt().
    void drain() override;
    void flush() override;
    void interrupt() override;
    bool pacesItself() const override { return true; }

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
    void fail(const char *what);
    void close();

    int m_sampleRate;
    std::string m_clientName;
    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    // Guarded by the main loop's lock.
    bool m_timedOut = false;
    bool m_interrupted = false; // set by interrupt(), cleared by beginUtterance()
    bool m_inUtterance = false; // an underrun now is a gap in the speech
    unsigned m_underruns = 0;
};

} // namespace upctv
