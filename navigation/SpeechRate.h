#pragma once

#include <QtGlobal>

// How fast the reader gets through a text: bytes of text per second of speech at
// each speed (10 to 250 in steps of 10), measured with espeak-ng in Catalan and
// in Spanish, sentence by sentence with the pauses between sentences, by
// bench/bench_speechrate. The other engines (Festival, speech-dispatcher) are
// estimated with the same table: their pace at each speed is set to follow
// espeak-ng's words a minute, and the estimate is a rough one anyway ("about").
namespace SpeechRate {

// Bytes a second at `speed` (clamped to 10..250, between two rows linearly).
double bytesPerSecond(int speed, bool catalan);

// Seconds to speak `bytes` at `speed`.
qint64 secondsFor(qint64 bytes, int speed, bool catalan);

} // namespace SpeechRate
