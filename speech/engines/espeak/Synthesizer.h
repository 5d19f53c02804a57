#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace upctv {

// The voice to speak with: a language code of the ABI (99 Catalan, 101 Spanish)
// and a speaker, 0 or 1.
struct VoiceChoice {
    int language = 99;
    int speaker = 0;
    bool operator==(const VoiceChoice &) const = default;
};

// What turns text into samples for SpeechEngine; one per engine library.
// Created and destroyed on the loading thread, synthesize() called on the engine
// thread only, interrupt() from any thread.
class Synthesizer {
public:
    // Receives each chunk of samples; returns false to abort the synthesis.
    using SampleSink = std::function<bool(const int16_t *samples, size_t count)>;

    virtual ~Synthesizer() = default;

    // Samples per second of everything synthesize() hands over.
    virtual int sampleRate() const = 0;
    // Speaks `text` (bytes as the ABI received them: UTF-8 when valid, else
    // Windows-1252) with `voice` at `speed` (10..300) into `sink`, in chunks of a
    // few tens of milliseconds. Returns true when it ran to the end, false when
    // `sink` refused a chunk or interrupt() came.
    virtual bool synthesize(const std::string &text, const VoiceChoice &voice, int speed,
                            const SampleSink &sink) = 0;
    // Makes a synthesize() in progress return soon; for synthesisers that may
    // wait for something other than `sink`.
    virtual void interrupt() {}
};

} // namespace upctv
