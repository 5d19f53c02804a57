#include "FestivalSynth.h"

#include "FestivalPace.h"
#include "FestivalVoice.h"
#include "Latin9.h"
#include "PieceAudio.h"
#include "SentencePause.h"
#include "TextDecoding.h"

#include <algorithm>
#include <cstdlib>

namespace upctv {
namespace {

constexpr int SpanishCode = 101;
constexpr int FallbackSampleRate = 22050;
// About four and a half semitones up (2^(4.5/12) is 1.297).
constexpr double HigherPitch = 1.3;
// Samples handed over at a time: 20 ms, so that a stop cuts the sound promptly.
constexpr int ChunksPerSecond = 50;

// The Festival voice: UPCTV_FESTIVAL_VOICE names another installed HTS voice
// (read at load), for trying voices and for tests of a missing one.
std::string voiceName() {
    const char *name = std::getenv("UPCTV_FESTIVAL_VOICE");
    return name != nullptr && *name != '\0' ? std::string(name) : std::string("upc_ca_ona_hts");
}

} // namespace

double festivalPitchFactor(int speaker) {
    return speaker == 1 ? HigherPitch : 1.0;
}

FestivalSynth::FestivalSynth()
    : m_sampleRate(m_espeak.isReady() ? m_espeak.sampleRate() : FallbackSampleRate),
      m_producer(
          [name = voiceName()] {
              int stackTop = 0;
              festival::attachThread(&stackTop);
              festival::initialise(name);
          },
          [rate = m_sampleRate](const Piece &piece, const Voicing &voicing,
                                std::vector<int16_t> &samples) {
              if (!festival::synthesize({piece.text, voicing.pitchFactor, rate}, samples))
                  return false;
              shapePiece(samples, piece.end, voicing, rate);
              return true;
          }) {}

bool FestivalSynth::synthesize(const std::string &text, const VoiceChoice &voice, int speed,
                               const SampleSink &sink) {
    const std::string utf8 = textToUtf8(text);
    if (voice.language != SpanishCode)
        return speakCatalan(utf8, voice, speed, sink);
    m_espeak.prepare(voice, paceForSpeed(speed));
    return m_espeak.synthesize(utf8, sink);
}

bool FestivalSynth::speakCatalan(const std::string &utf8, const VoiceChoice &voice, int speed,
                                 const SampleSink &sink) {
    std::vector<Piece> pieces = splitIntoPieces(utf8ToLatin9(utf8));
    // A text that ends a sentence ends with the pause before the next one, as
    // with the espeak-ng engine: the reader speaks one sentence per text.
    if (const char mark = sentenceEndMark(utf8); mark != 0 && !pieces.empty())
        pieces.back().end = mark == ':' || mark == ';' ? PieceEnd::Clause : PieceEnd::Sentence;
    m_producer.start(std::move(pieces),
                     Voicing{festivalSpeedRatio(speed), festivalPitchFactor(voice.speaker)});
    const size_t chunk = static_cast<size_t>(m_sampleRate / ChunksPerSecond);
    std::vector<int16_t> samples;
    while (true) {
        const PieceProducer::Next next = m_producer.next(samples);
        if (next != PieceProducer::Next::Piece)
            return next == PieceProducer::Next::End;
        for (size_t at = 0; at < samples.size(); at += chunk) {
            if (!sink(samples.data() + at, std::min(chunk, samples.size() - at))) {
                m_producer.cancel();
                return false;
            }
        }
    }
}

} // namespace upctv
