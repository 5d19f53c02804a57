#include "TimeStretch.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace upctv {
namespace {

constexpr double FrameSeconds = 0.030;
constexpr double ToleranceSeconds = 0.008;
constexpr double MinimumFactor = 0.25;
constexpr double MaximumFactor = 4.0;

// The offset within [lowest, highest] at which `samples` best continues the
// samples at `natural`, compared over `length` samples (every other sample, which
// is plenty for speech and halves the work).
size_t bestMatch(const std::vector<int16_t> &samples, size_t natural, size_t lowest, size_t highest,
                 size_t length) {
    size_t best = lowest;
    double bestScore = -1e300;
    for (size_t p = lowest; p <= highest; ++p) {
        double score = 0;
        for (size_t i = 0; i < length; i += 2)
            score += double(samples[p + i]) * samples[natural + i];
        if (score > bestScore) {
            bestScore = score;
            best = p;
        }
    }
    return best;
}

// A raised-cosine window of `length` samples: overlapped by half, they add up to 1.
std::vector<double> hannWindow(size_t length) {
    std::vector<double> window(length);
    for (size_t i = 0; i < length; ++i)
        window[i] = std::pow(std::sin(std::numbers::pi * double(i) / double(length)), 2);
    return window;
}

} // namespace

std::vector<int16_t> stretchTime(const std::vector<int16_t> &samples, double factor,
                                 int sampleRate) {
    const size_t frame = static_cast<size_t>(sampleRate * FrameSeconds) & ~size_t(1);
    const size_t hop = frame / 2;
    if (factor == 1.0 || factor < MinimumFactor || factor > MaximumFactor ||
        samples.size() < 2 * frame)
        return samples;
    const size_t tolerance = static_cast<size_t>(sampleRate * ToleranceSeconds);
    const std::vector<double> window = hannWindow(frame);

    const size_t lastStart = samples.size() - frame;
    // Windows are placed every `hop` samples in the output and taken from the
    // input at the same places scaled down, so that the last one ends both.
    const size_t length = static_cast<size_t>(std::lround(double(samples.size()) * factor));
    if (length < 2 * frame)
        return samples;
    const double scale = double(lastStart) / double(length - frame);
    std::vector<double> out(length, 0.0);
    size_t previous = 0;
    size_t written = 0;
    for (size_t k = 0; k * hop + frame <= length; ++k) {
        const size_t nominal = std::min(lastStart, static_cast<size_t>(double(k * hop) * scale));
        size_t start = 0;
        if (k > 0) {
            const size_t natural = std::min(previous + hop, lastStart);
            const size_t lowest = nominal > tolerance ? nominal - tolerance : 0;
            const size_t highest = std::min(nominal + tolerance, lastStart);
            start = bestMatch(samples, natural, lowest, highest, hop);
        }
        for (size_t i = 0; i < frame; ++i)
            out[k * hop + i] += window[i] * samples[start + i];
        previous = start;
        written = k * hop + frame;
    }
    std::vector<int16_t> result(written);
    for (size_t i = 0; i < written; ++i)
        result[i] = static_cast<int16_t>(std::clamp(std::lround(out[i]), -32768L, 32767L));
    return result;
}

} // namespace upctv
