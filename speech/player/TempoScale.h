#pragma once

namespace upctv {

// The tempo at which a recording plays at the reader's speed `speed` (the
// speed keys' value, 140 by default, steps of 10): 2^((speed - 140) / 80), so
// 1 at 140, each step of 10 a factor of 2^(1/8) (about 9 %), doubling every 80:
// about 2.59 at 250 and 0.32 at 10. Any speed gives a tempo (a stored speed may
// lie outside 10-250); the player clamps it to what its stretcher can do.
double tempoForSpeed(int speed);

} // namespace upctv
