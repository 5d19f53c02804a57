#include "SpeechRate.h"

#include <algorithm>
#include <cmath>

namespace {

struct Row {
    int speed;
    double catalan;
    double spanish;
};

// Made by: build/bench/bench_speechrate (espeak-ng 1.51+dfsg-10+deb12u2, Debian 12).
constexpr Row Rates[] = {
    {10, 5.2, 5.5},    {20, 5.6, 5.9},    {30, 6.0, 6.3},    {40, 6.4, 6.8},    {50, 7.0, 7.3},
    {60, 7.6, 7.9},    {70, 8.4, 8.8},    {80, 9.0, 9.4},    {90, 9.6, 10.0},   {100, 10.4, 10.8},
    {110, 11.2, 11.6}, {120, 12.0, 12.4}, {130, 12.9, 13.4}, {140, 13.9, 14.3}, {150, 14.8, 15.3},
    {160, 15.9, 16.3}, {170, 17.2, 17.5}, {180, 18.2, 18.6}, {190, 19.6, 19.8}, {200, 21.1, 21.3},
    {210, 22.5, 22.5}, {220, 24.2, 24.1}, {230, 25.9, 25.5}, {240, 27.7, 26.6}, {250, 29.8, 28.1},
};

} // namespace

namespace SpeechRate {

double bytesPerSecond(int speed, bool catalan) {
    constexpr int Rows = int(std::size(Rates));
    const double at = std::clamp((speed - Rates[0].speed) / 10.0, 0.0, double(Rows - 1));
    const int low = int(std::floor(at));
    const int high = std::min(low + 1, Rows - 1);
    const double a = catalan ? Rates[low].catalan : Rates[low].spanish;
    const double b = catalan ? Rates[high].catalan : Rates[high].spanish;
    return a + (b - a) * (at - low);
}

qint64 secondsFor(qint64 bytes, int speed, bool catalan) {
    return qint64(
        std::llround(double(std::max<qint64>(bytes, 0)) / bytesPerSecond(speed, catalan)));
}

} // namespace SpeechRate
