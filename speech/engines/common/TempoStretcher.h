#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace upctv {

// Changes the tempo of speech (mono, 16-bit) without changing its pitch, as a
// stream: samples go in at one pace and come out at another. Built on libsonic,
// which is made for speeding up and slowing down speech (espeak-ng uses it for its
// fastest rates).
//
// Not thread-safe: one owner at a time (an engine's thread, or the player's).
class TempoStretcher {
public:
    // A tempo of 1 passes the samples through unchanged.
    explicit TempoStretcher(int sampleRate);
    ~TempoStretcher();
    TempoStretcher(const TempoStretcher &) = delete;
    TempoStretcher &operator=(const TempoStretcher &) = delete;

    // How many times faster than recorded the speech comes out (2 halves its
    // duration); clamped to 0.1 to 6. Takes effect for the samples written next.
    void setTempo(double tempo);
    double tempo() const { return m_tempo; }

    // Adds input; what is ready comes out through read().
    void write(const int16_t *samples, std::size_t count);
    // The end of the input: what is still held inside comes out too.
    void flush();
    // Up to `max` samples of output; returns how many were written to `out`.
    std::size_t read(int16_t *out, std::size_t max);
    // Output samples ready to be read.
    std::size_t available() const;
    // Drops everything held, input and output (a stop).
    void clear();

    int sampleRate() const { return m_sampleRate; }

private:
    void *m_stream = nullptr; // sonicStream
    int m_sampleRate;
    double m_tempo = 1.0;
};

// The whole of `samples` at `tempo` (a convenience over TempoStretcher).
std::vector<int16_t> changeTempo(const std::vector<int16_t> &samples, double tempo, int sampleRate);

} // namespace upctv
