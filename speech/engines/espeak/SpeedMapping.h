#pragma once

// How the program's speaking speed becomes espeak-ng parameters.
//
// The program's speed runs from 10 to 300 in steps of 10, 140 being a comfortable
// default. Every step of 10 changes the rate by the same ratio (about 7 %), so a
// step sounds alike at both ends: 140 is 140 words a minute, 250 about 300 and
// 300 is 420, near espeak-ng's fastest. espeak-ng will not speak slower than about
// 85 words a minute, so from speed 60 down the rate stays at 85 and a pause after
// every word, two units of espeakWORDGAP longer at each step, slows running text
// by about 10 % a step, to about a third of the default pace at speed 10.
namespace upctv {

constexpr int MinimumSpeed = 10;
constexpr int MaximumSpeed = 300;
constexpr int DefaultSpeed = 140;

struct EspeakPace {
    int rate = 0;    // espeakRATE, words a minute, 85 to 420
    int wordGap = 0; // espeakWORDGAP, units of 10 ms
};

// `speed` limited to MinimumSpeed..MaximumSpeed.
int clampSpeed(int speed);

// The words a minute that `speed` (clamped) stands for, before espeak-ng's floor.
double wordsPerMinute(int speed);

// The espeak-ng rate and word gap for `speed` (clamped).
EspeakPace paceForSpeed(int speed);

} // namespace upctv
