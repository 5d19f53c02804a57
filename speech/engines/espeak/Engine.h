#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace upctv {

// What the C ABI of an engine library (upctv_abi.cpp) asks of the engine behind
// it; upctv.h says what each call means. Every engine library defines
// makeEngine() (EngineFactory.h) to create its own.
class Engine {
public:
    virtual ~Engine() = default;

    // Queues or sends `text` (bytes, UTF-8 or Windows-1252) with the current
    // settings; false when the engine refused it and nothing will be spoken.
    virtual bool read(std::string text) = 0;
    // Silences what is being spoken and drops what is queued.
    virtual void stop() = 0;
    // True from read() until the last sound has been heard, false after stop().
    virtual bool isSpeaking() = 0;

    // Settings for the texts read from now on. Speed is clamped to 10..300; a
    // language other than 99 or 101 and a speaker other than 0 or 1 are refused
    // (false) and change nothing.
    virtual void setSpeed(int speed) = 0;
    virtual bool setLanguage(int code) = 0;
    virtual bool setSpeaker(int speaker) = 0;

    // Receives synthesised samples; false aborts the synthesis.
    using MemorySink = std::function<bool(const int16_t *samples, size_t count)>;
    // Samples per second of synthesizeToMemory(); 0 for an engine that cannot.
    virtual int memorySampleRate() { return 0; }
    // Synthesises `text` with the current settings into `sink` on the caller's
    // thread: 0 done, 1 aborted by `sink`, -1 unable.
    virtual int synthesizeToMemory(const std::string &, const MemorySink &) { return -1; }
};

} // namespace upctv
