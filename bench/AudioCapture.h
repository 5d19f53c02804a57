#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

struct pa_simple;

// Records the default sink's monitor of a PulseAudio server (a null sink in the
// bench) in stereo, and plays short marker tones into the same sink on its right
// channel only. Speech streams are mono, which the server copies unchanged to both
// channels, so the left channel is the speech and right minus left is the markers.
//
// Host events are placed on the recording by their marker: the tone is written
// behind what the marker stream still holds, and the server reports how long
// that is, so the event's place is the tone's onset less that latency. Every
// interval is then measured between samples of one recording, whose clock is the
// sink's own.
class AudioCapture {
public:
    static constexpr int Rate = 22050;

    // How much the two streams hold. A sink runs at the shortest latency its
    // streams ask for: Precise (a 10 ms marker stream, 5 ms recording fragments)
    // places events within a few milliseconds but makes the null sink wake every
    // 3 ms and the server answer every stream that often, which starves the
    // engine's stream under load as no desktop would. Relaxed (100 ms, 50 ms)
    // leaves the sink at the latency the engine's own stream asks for, enough to
    // tell texts apart in a long recording.
    enum class Timing { Precise, Relaxed };
    // Connects both streams to the server named by PULSE_SERVER; false with a
    // message on standard error when that fails.
    bool start(Timing timing = Timing::Precise);
    // Stops both threads and closes the streams; the recording stays.
    void finish();
    ~AudioCapture();

    // Marks "now" with a tone. Returns the event's number, counted from 0.
    int mark();

    // When mark() was called (seconds on the steady clock) and how long after
    // that the tone was heard (the marker thread's delay plus the stream latency).
    struct Mark {
        double calledAt = 0;
        double toneDelay = 0;
    };
    // After finish(): the events' places in the recording, in samples; -1 for an
    // event whose tone was not found.
    std::vector<long> eventPositions() const;
    // After finish(): the speech (left channel).
    const std::vector<int16_t> &speech() const { return m_speech; }

private:
    void record();
    void playMarkers();

    pa_simple *m_recorder = nullptr;
    pa_simple *m_marker = nullptr;
    std::thread m_recordThread;
    std::thread m_markerThread;
    std::atomic<bool> m_running{false};
    std::atomic<int> m_pendingMarks{0};

    mutable std::mutex m_mutex; // guards m_marks
    std::vector<Mark> m_marks;
    std::vector<int16_t> m_speech;
    std::vector<int16_t> m_markerChannel;
};

// Sample positions in `speech` are "loud" above this magnitude.
constexpr int LoudLevel = 300;
// First loud sample at or after `from`, before `to`; -1 when none.
long firstLoud(const std::vector<int16_t> &speech, long from, long to);
// One past the last loud sample before `to`, at or after `from`; -1 when none.
long endOfSound(const std::vector<int16_t> &speech, long from, long to);
// Longest run of quiet samples strictly between the first and the last loud
// sample of [from, to); 0 when there is no sound.
long longestInnerSilence(const std::vector<int16_t> &speech, long from, long to);
