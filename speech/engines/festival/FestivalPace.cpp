#include "FestivalPace.h"

#include "SpeedMapping.h"

#include <cmath>

namespace upctv {

double festivalSpeedRatio(int speed) {
    constexpr double FastestRatio = 3.0;
    const double exponent = static_cast<double>(clampSpeed(speed) - DefaultSpeed) /
                            static_cast<double>(MaximumSpeed - DefaultSpeed);
    return std::pow(FastestRatio, exponent);
}

} // namespace upctv
