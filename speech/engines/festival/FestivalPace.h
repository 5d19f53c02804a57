#pragma once

// How the program's speed 10..300 (140 the default) becomes the Festival voice's
// pace: a ratio of speaking rates, 1 at 140, three times as fast at 300. Every
// step of 10 changes the pace by the same ratio, about 7 %, so every step is
// audible and steps sound alike at both ends; speed 10 is about 0.41, two and a
// half times as slow as the default. Outside values are clamped.
namespace upctv {

double festivalSpeedRatio(int speed);

} // namespace upctv
