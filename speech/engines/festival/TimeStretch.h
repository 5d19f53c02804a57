#pragma once

#include <cstdint>
#include <vector>

namespace upctv {

// Makes speech slower or faster without changing its pitch, by overlapping and
// adding windows of 30 ms taken from the input at another pace, each one shifted
// by up to 8 ms to where it best continues the previous one (WSOLA). The Festival
// voice's own pace control cannot change speech evenly: it stretches mostly the
// silences (asked for 0.41 of the pace, the words took only 1.3 times as long;
// asked for 1.5 times the pace, they were only 1.24 times as fast), so the
// engine's speeds are made here.
//
// Returns `samples` made `factor` times as long. A factor of 1 or outside 0.25
// to 4, or an input or output shorter than two windows, leaves them as they
// are. The first and last 15 ms are faded.
std::vector<int16_t> stretchTime(const std::vector<int16_t> &samples, double factor,
                                 int sampleRate);

} // namespace upctv
