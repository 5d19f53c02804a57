#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace upctv {

// Where an engine's samples go: the audio device, a WAV file, or nowhere. Unless
// the sink paces itself, AudioOutput paces the writes by its own clock, so a sink
// need not block; one that does block returns within a chunk's time. Every member
// but interrupt() is called on the engine thread only.
class AudioSink {
public:
    virtual ~AudioSink() = default;

    // Called before the first samples of each utterance.
    virtual void beginUtterance() {}
    // Appends mono 16-bit samples at the engine's sample rate. Returns false when
    // the sink has failed; the engine then paces the rest on its clock alone.
    virtual bool write(const int16_t *samples, size_t count) = 0;
    // Returns once everything written has been played.
    virtual void drain() {}
    // Discards what was written but not yet played.
    virtual void flush() {}
    // Called from any thread, under AudioOutput's lock: makes a blocking write() or
    // drain() return at once and drops what is queued. Writes then play nothing
    // until the next beginUtterance().
    virtual void interrupt() {}
    // True when write() blocks until the device asks for the samples and drain()
    // until they have been heard: the device keeps time, not AudioOutput's clock.
    virtual bool pacesItself() const { return false; }
    // How far ahead of the engine's clock writes may run; writes run unpaced
    // when isPaced() is false.
    virtual std::chrono::milliseconds lead() const { return std::chrono::milliseconds(0); }
    virtual bool isPaced() const { return true; }
    // For a sink that paces itself: roughly how much of what was written has not
    // been heard yet (its own queue and the device's buffer). Engine thread only.
    virtual std::chrono::microseconds unheard() const { return std::chrono::microseconds(0); }
};

// Takes samples and drops them: the engine's clock alone makes the time pass.
class NullSink final : public AudioSink {
public:
    bool write(const int16_t *, size_t) override { return true; }
};

} // namespace upctv
