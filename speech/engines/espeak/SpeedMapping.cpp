#include "SpeedMapping.h"

#include <algorithm>
#include <cmath>

namespace upctv {
namespace {

// The rate at MaximumSpeed. espeak-ng gains little per step above it and at 450
// switches to another method that is slower again for a while.
constexpr double FastestRate = 420.0;
// espeak-ng takes rates down to 80, but every rate below about 85 sounds the same.
constexpr int SlowestEspeakRate = 85;
// Below espeak-ng's floor every step of 10 adds this many units (10 ms at the
// default rate, about 33 ms at the floor) to the pause after each word: about
// 10 % more time for running text, a little more than a step above the floor.
constexpr int GapUnitsPerStep = 2;

// The fastest speed, in steps of 10 down from the default, that espeak-ng's floor
// holds back.
int firstSpeedBelowFloor() {
    int speed = DefaultSpeed;
    while (speed > MinimumSpeed && std::lround(wordsPerMinute(speed)) >= SlowestEspeakRate)
        speed -= 10;
    return speed;
}

} // namespace

int clampSpeed(int speed) {
    return std::clamp(speed, MinimumSpeed, MaximumSpeed);
}

double wordsPerMinute(int speed) {
    const double stepRatio =
        std::pow(FastestRate / DefaultSpeed, 10.0 / (MaximumSpeed - DefaultSpeed));
    return DefaultSpeed * std::pow(stepRatio, (clampSpeed(speed) - DefaultSpeed) / 10.0);
}

EspeakPace paceForSpeed(int speed) {
    const double wpm = wordsPerMinute(speed);
    const int rate = static_cast<int>(std::lround(wpm));
    if (rate >= SlowestEspeakRate)
        return {std::min(rate, static_cast<int>(FastestRate)), 0};
    const double stepsBelow = (firstSpeedBelowFloor() - clampSpeed(speed)) / 10.0;
    const auto gap = 1 + std::lround(GapUnitsPerStep * stepsBelow);
    return {SlowestEspeakRate, static_cast<int>(gap)};
}

} // namespace upctv
