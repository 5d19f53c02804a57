#pragma once

#include "ClauseSplitter.h"

#include <cstdint>
#include <vector>

// Festival puts about 0.4 s of silence before each utterance and up to 0.2 s
// after it. Pieces of one sentence are joined without a seam: each piece's
// silence is trimmed to a few milliseconds of margin, faded at the cut, and the
// pause that Festival itself makes at that punctuation inside a sentence is put
// back after it, shortened at faster speeds as the speech is.
namespace upctv {

// Pauses measured in Festival's reading of whole sentences with the Catalan
// voice at normal pace: 130 to 210 ms at a comma, about 330 ms between sentences.
constexpr int ClausePauseMs = 170;
constexpr int SentencePauseMs = 330;
// Sound kept on each side of a piece's first and last loud sample, faded in and
// out over its length.
constexpr int MarginMs = 15;
// A 10 ms frame counts as sound when a sample reaches this level (-36 dBFS):
// above the voice's breath noise, below its quietest consonants.
constexpr int SoundLevel = 512;

// How a text's pieces are to be voiced: the pace (1 normal, 2 twice as fast) and
// the pitch factor by which the voice's samples were lowered (1 unchanged, below
// 1 lower; such samples last 1/pitchFactor as long as the voice spoke them).
struct Voicing {
    double speedRatio = 1.0;
    double pitchFactor = 1.0;
};

// The pause after a piece, in samples at `sampleRate`, at pace `speedRatio`.
size_t pauseAfter(PieceEnd end, double speedRatio, int sampleRate);

// Trims `samples` to the sound plus the margin on each side, brings it to the
// voicing's pace (TempoStretcher, pitch kept), fades the margin in and out, then appends
// the pause that `end` calls for. A piece without sound becomes just the pause.
void shapePiece(std::vector<int16_t> &samples, PieceEnd end, const Voicing &voicing,
                int sampleRate);

} // namespace upctv
