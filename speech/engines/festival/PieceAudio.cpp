#include "PieceAudio.h"

#include "TempoStretcher.h"

#include <algorithm>
#include <cstdlib>

namespace upctv {
namespace {

bool frameHasSound(const std::vector<int16_t> &samples, size_t start, size_t length) {
    const size_t end = std::min(samples.size(), start + length);
    for (size_t i = start; i < end; ++i) {
        if (std::abs(static_cast<int>(samples[i])) >= SoundLevel)
            return true;
    }
    return false;
}

// Scales the first and last `length` samples by a linear ramp from and to zero.
void fadeEdges(std::vector<int16_t> &samples, size_t length) {
    length = std::min(length, samples.size() / 2);
    for (size_t i = 0; i < length; ++i) {
        const double gain = static_cast<double>(i) / static_cast<double>(length);
        samples[i] = static_cast<int16_t>(samples[i] * gain);
        int16_t &tail = samples[samples.size() - 1 - i];
        tail = static_cast<int16_t>(tail * gain);
    }
}

} // namespace

size_t pauseAfter(PieceEnd end, double speedRatio, int sampleRate) {
    int ms = 0;
    if (end == PieceEnd::Sentence)
        ms = SentencePauseMs;
    else if (end == PieceEnd::Clause)
        ms = ClausePauseMs;
    return static_cast<size_t>(ms / 1000.0 * sampleRate / speedRatio);
}

void shapePiece(std::vector<int16_t> &samples, PieceEnd end, const Voicing &voicing,
                int sampleRate) {
    const size_t frame = static_cast<size_t>(sampleRate / 100);
    const size_t margin = static_cast<size_t>(sampleRate * MarginMs / 1000);
    size_t first = samples.size();
    size_t last = 0;
    for (size_t start = 0; start < samples.size(); start += frame) {
        if (frameHasSound(samples, start, frame)) {
            first = std::min(first, start);
            last = std::min(samples.size(), start + frame);
        }
    }
    if (first >= last) {
        samples.clear();
    } else {
        const size_t from = first > margin ? first - margin : 0;
        const size_t to = std::min(samples.size(), last + margin);
        samples.erase(samples.begin() + static_cast<std::ptrdiff_t>(to), samples.end());
        samples.erase(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(from));
        // The voice's own pace control stretches mostly the silences (asked for
        // 0.41 of the pace, the words took only 1.3 times as long), so the pace
        // is made here, evenly, with the pitch kept.
        samples = changeTempo(samples, voicing.speedRatio / voicing.pitchFactor, sampleRate);
        fadeEdges(samples, margin);
    }
    samples.resize(samples.size() + pauseAfter(end, voicing.speedRatio, sampleRate), 0);
}

} // namespace upctv
