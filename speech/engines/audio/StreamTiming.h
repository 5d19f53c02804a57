#pragma once

#include <chrono>

namespace upctv {

// How a sound-server stream trades its latency for wakeups: the whole buffer the
// server holds, and the size of the pieces it asks for (one wakeup of libpulse's
// thread each). A stop flushes the stream, so neither lengthens a stop.
struct StreamTiming {
    // 0: the speech default (40 ms, or UPCTV_AUDIO_LATENCY_MS).
    std::chrono::milliseconds latency{0};
    std::chrono::milliseconds request{5};
    // How far the writer may run ahead of the server, in the sink's own queue; a
    // write() beyond it blocks until the server has taken some.
    std::chrono::milliseconds ahead{300};

    // A synthesiser's speech: a short buffer in small pieces, so that the next
    // utterance after a stop starts without waiting behind a full buffer.
    static StreamTiming speech() { return {}; }
    // A recording played from a file: decoding is cheap and never falls behind,
    // so larger pieces cost a tenth of the wakeups, and the writer blocks until
    // the server asks instead of polling. Buffer and queue together hold 150 ms,
    // so the end of a phrase is heard soon after its last sample was written.
    static StreamTiming recording() {
        using std::chrono::milliseconds;
        return {milliseconds(100), milliseconds(50), milliseconds(50)};
    }
};

} // namespace upctv
