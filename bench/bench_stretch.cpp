// The Festival engine's tempo change, measured on the Festival voice's own
// speech: each piece of a few Catalan sentences is synthesised once per speaker
// and stretched to the factor of speeds 60, 140 and 250, as the engine does it.
//
//   bench_stretch [voice]
//
// Per stretcher, speed and speaker it prints:
// - the duration error: the output's length against the input's times the
//   factor (mean and largest of the pieces, in %);
// - clicks per minute of output, and of the input for comparison (see clicks());
// - the long-term spectrum's distance: RMS difference in dB between the
//   average spectra of input and output, 100 Hz to 7.5 kHz, levels aligned
//   (stretching keeps what is said, so it should keep the long-term spectrum);
// - the round trip's log-spectral distance: the output stretched back to the
//   input's length by the same stretcher, compared frame by frame with the
//   input over its sounding frames (in dB; what the two passes smear or double);
// - the stretcher's speed, in times real time of its output.
#include "ClauseSplitter.h"
#include "FestivalPace.h"
#include "FestivalVoice.h"
#include "Latin9.h"
#include "TempoStretcher.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

using namespace upctv;
using Samples = std::vector<int16_t>;

namespace {

constexpr int Rate = 22050;
constexpr size_t FrameLength = 512;
constexpr size_t FrameHop = 256;

const char *const Text = "Era una nit fosca i tempestuosa, i la pluja queia a bots i barrals. "
                         "De tant en tant, una ràfega de vent escombrava els carrers de la ciutat, "
                         "on s'amagava la nostra història. Qui ho havia de dir? "
                         "La Maria va obrir la finestra, va mirar el cel i va somriure.";

struct Stretcher {
    const char *name;
    // `samples` made `factor` times as long.
    std::function<Samples(const Samples &, double)> stretch;
};

// For scale: 20 ms blocks repeated or dropped with no overlap, which clicks at
// every join the wave does not happen to continue.
Samples spliced(const Samples &s, double factor) {
    const size_t block = Rate / 50;
    Samples out;
    for (size_t k = 0; k * block < size_t(double(s.size()) * factor); ++k) {
        const size_t from = std::min(s.size(), size_t(double(k * block) / factor));
        const size_t to = std::min(s.size(), from + block);
        out.insert(out.end(), s.begin() + std::ptrdiff_t(from), s.begin() + std::ptrdiff_t(to));
    }
    return out;
}

std::vector<Stretcher> stretchers() {
    return {
        {"splice", spliced},
        {"sonic", [](const Samples &s, double f) { return changeTempo(s, 1.0 / f, Rate); }},
    };
}

// In-place radix-2 FFT of a power-of-two length.
void fft(std::vector<std::complex<double>> &a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi / double(len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1;
            for (size_t k = 0; k < len / 2; ++k, w *= step) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

// The power spectrum (dB) of the Hann-windowed frame at `start`, bins of the band only.
std::vector<double> frameSpectrum(const Samples &s, size_t start) {
    std::vector<std::complex<double>> a(FrameLength);
    for (size_t i = 0; i < FrameLength && start + i < s.size(); ++i) {
        const double w = std::pow(std::sin(std::numbers::pi * double(i) / FrameLength), 2);
        a[i] = w * s[start + i];
    }
    fft(a);
    std::vector<double> db;
    const size_t low = 100 * FrameLength / Rate, high = 7500 * FrameLength / Rate;
    for (size_t k = low; k <= high; ++k)
        db.push_back(10 * std::log10(std::norm(a[k]) + 1.0));
    return db;
}

double frameEnergy(const Samples &s, size_t start) {
    double e = 0;
    for (size_t i = start; i < std::min(s.size(), start + FrameLength); ++i)
        e += double(s[i]) * s[i];
    return e;
}

// RMS of the difference of two dB spectra after removing their mean difference.
double spectralDistance(const std::vector<double> &a, const std::vector<double> &b) {
    double mean = 0;
    for (size_t k = 0; k < a.size(); ++k)
        mean += (a[k] - b[k]) / double(a.size());
    double sum = 0;
    for (size_t k = 0; k < a.size(); ++k)
        sum += std::pow(a[k] - b[k] - mean, 2);
    return std::sqrt(sum / double(a.size()));
}

// The average power spectrum (dB) over the frames of `s`.
std::vector<double> longTermSpectrum(const Samples &s) {
    std::vector<double> power;
    size_t frames = 0;
    for (size_t at = 0; at + FrameLength <= s.size(); at += FrameHop, ++frames) {
        const std::vector<double> db = frameSpectrum(s, at);
        power.resize(db.size(), 0.0);
        for (size_t k = 0; k < db.size(); ++k)
            power[k] += std::pow(10.0, db[k] / 10);
    }
    for (double &p : power)
        p = 10 * std::log10(p / double(std::max<size_t>(frames, 1)) + 1.0);
    return power;
}

// Frame-by-frame distance of `back` (the round trip) to `in`, over the frames of
// `in` within 30 dB of its loudest.
double roundTripDistance(const Samples &in, const Samples &back) {
    double loudest = 0;
    for (size_t at = 0; at + FrameLength <= in.size(); at += FrameHop)
        loudest = std::max(loudest, frameEnergy(in, at));
    double sum = 0;
    int counted = 0;
    const double scale = double(back.size()) / double(in.size());
    for (size_t at = 0; at + FrameLength <= in.size(); at += FrameHop) {
        const size_t there = size_t(double(at) * scale);
        if (frameEnergy(in, at) < loudest / 1000 || there + FrameLength > back.size())
            continue;
        sum += spectralDistance(frameSpectrum(in, at), frameSpectrum(back, there));
        ++counted;
    }
    return counted > 0 ? sum / counted : 0.0;
}

// Clicks in `s`: places where the second difference (a step in the wave's
// slope) is more than 8 times its RMS over the surrounding 5 ms and above
// -30 dBFS, counted once per 5 ms. Speech has few such places; a window joined
// out of phase makes one.
int clicks(const Samples &s) {
    const size_t half = Rate / 400;
    std::vector<double> d2(s.size(), 0.0);
    for (size_t i = 2; i < s.size(); ++i)
        d2[i] = double(s[i]) - 2.0 * s[i - 1] + s[i - 2];
    std::vector<double> sums(d2.size() + 1, 0.0);
    for (size_t i = 0; i < d2.size(); ++i)
        sums[i + 1] = sums[i] + d2[i] * d2[i];
    int found = 0;
    for (size_t i = half; i + half < d2.size(); ++i) {
        const double rms = std::sqrt((sums[i + half] - sums[i - half]) / double(2 * half));
        if (std::abs(d2[i]) > 8 * rms && std::abs(d2[i]) > 1000) {
            ++found;
            i += 2 * half;
        }
    }
    return found;
}

struct Figures {
    double meanError = 0, largestError = 0, clicksPerMinute = 0, inputClicks = 0, ltas = 0,
           roundTrip = 0;
    double realTime = 0;
};

Figures measure(const Stretcher &stretcher, const std::vector<Samples> &pieces, double factor) {
    Figures f;
    Samples allIn, allOut;
    double seconds = 0, outSeconds = 0;
    int allClicks = 0, inClicks = 0;
    double inSeconds = 0;
    for (const Samples &in : pieces) {
        const auto start = std::chrono::steady_clock::now();
        const Samples out = stretcher.stretch(in, factor);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double error = 100 * (double(out.size()) / (double(in.size()) * factor) - 1);
        f.meanError += std::abs(error) / double(pieces.size());
        f.largestError = std::max(f.largestError, std::abs(error));
        allClicks += clicks(out);
        inClicks += clicks(in);
        inSeconds += double(in.size()) / Rate;
        outSeconds += double(out.size()) / Rate;
        f.roundTrip +=
            roundTripDistance(in, stretcher.stretch(out, double(in.size()) / double(out.size()))) /
            double(pieces.size());
        allIn.insert(allIn.end(), in.begin(), in.end());
        allOut.insert(allOut.end(), out.begin(), out.end());
    }
    f.clicksPerMinute = allClicks / outSeconds * 60;
    f.inputClicks = inClicks / inSeconds * 60;
    f.ltas = spectralDistance(longTermSpectrum(allIn), longTermSpectrum(allOut));
    f.realTime = outSeconds / std::max(seconds, 1e-9);
    return f;
}

} // namespace

int main(int argc, char **argv) {
    int stackTop = 0;
    festival::attachThread(&stackTop);
    if (!festival::initialise(argc > 1 ? argv[1] : "upc_ca_ona_hts"))
        return 1;
    std::printf("%-6s %5s %7s %7s %7s %8s %8s %8s %9s %9s %8s\n", "", "speed", "speaker", "factor",
                "error%", "largest%", "clicks/m", "(input)", "ltas dB", "trip dB", "x rt");
    for (int speaker : {0, 1}) {
        const double pitch = speaker == 1 ? 1.3 : 1.0;
        std::vector<Samples> pieces;
        for (const Piece &piece : splitIntoPieces(utf8ToLatin9(Text))) {
            Samples samples;
            if (festival::synthesize({piece.text, pitch, Rate}, samples) && !samples.empty())
                pieces.push_back(std::move(samples));
        }
        for (int speed : {60, 140, 250}) {
            const double factor = pitch / festivalSpeedRatio(speed);
            for (const Stretcher &stretcher : stretchers()) {
                const Figures f = measure(stretcher, pieces, factor);
                std::printf("%-6s %5d %7d %7.3f %7.2f %8.2f %8.1f %8.1f %9.2f %9.2f %8.0f\n",
                            stretcher.name, speed, speaker, factor, f.meanError, f.largestError,
                            f.clicksPerMinute, f.inputClicks, f.ltas, f.roundTrip, f.realTime);
            }
        }
    }
    return 0;
}
