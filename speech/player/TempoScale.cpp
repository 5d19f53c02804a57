#include "TempoScale.h"

#include <cmath>

namespace upctv {

double tempoForSpeed(int speed) {
    constexpr int DefaultSpeed = 140;
    constexpr double SpeedPerDoubling = 80.0;
    return std::exp2((speed - DefaultSpeed) / SpeedPerDoubling);
}

} // namespace upctv
