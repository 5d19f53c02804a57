#pragma once

#include "SpeedMapping.h"
#include "Synthesizer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace upctv {

// The espeak-ng voice name for `choice`: "ca" or "es" for speaker 0, the same
// language with the "f1" variant ("ca+f1", "es+f1") for speaker 1.
std::string espeakVoiceName(const VoiceChoice &choice);
// The base voice of the language alone, "ca" or "es".
std::string espeakLanguageName(int language);

// espeak-ng in synchronous mode: synthesis runs on the calling thread and hands
// its samples to a callback as they come. espeak-ng keeps process-wide state, so
// exactly one object exists while the library is loaded, and no two threads ever
// use it at once: the loading thread creates it, the engine thread alone uses it,
// and the unloading thread destroys it once the engine thread has been joined.
// espeak-ng itself is initialised once per process and stays (see the .cpp):
// each new object starts from the Catalan voice at the default pace.
class EspeakSynth {
public:
    // Receives each chunk of samples; returns false to abort the synthesis.
    using SampleSink = std::function<bool(const int16_t *samples, size_t count)>;

    EspeakSynth();
    ~EspeakSynth();
    EspeakSynth(const EspeakSynth &) = delete;
    EspeakSynth &operator=(const EspeakSynth &) = delete;

    // False when espeak-ng could not start (no data files); nothing is then spoken.
    bool isReady() const { return m_sampleRate > 0; }
    int sampleRate() const { return m_sampleRate; }

    // Makes `voice` and `pace` current for the next synthesis; settings already in
    // force are not sent again. A voice espeak-ng refuses leaves it with a broken
    // voice, so the language's base voice is selected again in its place.
    void prepare(const VoiceChoice &voice, const EspeakPace &pace);

    // Speaks `utf8` into `sink` and returns when the text is done or `sink` asked to
    // stop. Returns true when it ran to the end.
    bool synthesize(const std::string &utf8, const SampleSink &sink);

    // Samples of silence to add after a text ending with `mark` ('.', '?', '!', ':'
    // or ';') for the voice and pace now prepared: the pause espeak-ng itself makes
    // between two sentences, measured once per voice, pace and mark by reading a
    // short probe (a few milliseconds of synthesis) and kept.
    size_t sentencePause(char mark);

private:
    std::vector<int16_t> render(const std::string &utf8);

    int m_sampleRate = 0;
    bool m_voiceSet = false;
    VoiceChoice m_voice;
    EspeakPace m_pace;
    // Measured pauses by language, speaker, rate, word gap and mark, packed into
    // one number (a tuple key would give the library C++20 inline variables that
    // unoptimised builds export as unique symbols, which keep it from unloading).
    std::map<uint64_t, size_t> m_pauses;
};

// The espeak-ng engine's synthesiser: text decoded to UTF-8, the speed mapped to
// espeak-ng's pace (SpeedMapping.h), and a text that ends a sentence ended with
// the pause espeak-ng makes between two sentences (SentencePause.h).
class EspeakSynthesizer final : public Synthesizer {
public:
    int sampleRate() const override;
    bool synthesize(const std::string &text, const VoiceChoice &voice, int speed,
                    const SampleSink &sink) override;

private:
    EspeakSynth m_synth;
};

// Hands `samples` of silence to `sink` in chunks of 20 ms, so that a stop ends
// it at once. False when `sink` refused a chunk.
bool playSilence(size_t samples, int sampleRate, const Synthesizer::SampleSink &sink);

} // namespace upctv
