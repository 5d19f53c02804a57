#pragma once

#include "EspeakSynth.h"
#include "PieceProducer.h"
#include "Synthesizer.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace upctv {

// The Festival engine's synthesiser: Catalan with Festival's HTS voice "ona",
// Spanish with espeak-ng's Spanish voice (Debian packages no Spanish voice for
// Festival). Catalan text is cut into pieces (see ClauseSplitter.h) that a
// thread of their own synthesises ahead of playback (see PieceProducer.h); its
// samples are resampled to espeak-ng's rate, so the output has one rate.
//
// Speaker 0 is the voice as recorded; speaker 1 is the same voice about four and
// a half semitones higher, with the lighter timbre of a smaller speaker (the
// wave is played faster, then stretched back to its length), so the two are told
// apart at once, as espeak-ng's higher variant is from its standard voice.
// Spanish follows the espeak-ng engine: the "es" voice and its "f1" variant.
//
// Created and destroyed on the loading thread; synthesize() on the engine thread
// only; interrupt() from any thread.
class FestivalSynth final : public Synthesizer {
public:
    FestivalSynth();
    FestivalSynth(const FestivalSynth &) = delete;
    FestivalSynth &operator=(const FestivalSynth &) = delete;

    int sampleRate() const override { return m_sampleRate; }

    // Speaks `text` (UTF-8 when valid, else Windows-1252) into `sink` in chunks
    // of about 20 ms, and returns when it is done (true), when `sink` refused a
    // chunk or interrupt() came (false). A Catalan text returns at once, having
    // spoken nothing, when Festival or its voice is missing.
    bool synthesize(const std::string &text, const VoiceChoice &voice, int speed,
                    const SampleSink &sink) override;
    // Makes a synthesize() in progress on another thread return soon.
    void interrupt() override { m_producer.cancel(); }

private:
    bool speakCatalan(const std::string &utf8, const VoiceChoice &voice, int speed,
                      const SampleSink &sink);

    EspeakSynth m_espeak;
    int m_sampleRate;
    PieceProducer m_producer;
};

// The pitch factor of `speaker` for the Festival voice: 1 for speaker 0.
double festivalPitchFactor(int speaker);

} // namespace upctv
