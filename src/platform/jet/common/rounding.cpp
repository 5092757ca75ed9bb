#include "platform/jet/common/rounding.h"

#include <cmath>

namespace corvane::platform::jet {

double roundHalfEven(double value)
{
    // Spelled out rather than std::nearbyint, which depends on the
    // process-wide rounding mode.
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5)
        return floor;
    if (diff > 0.5)
        return floor + 1.0;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

} // namespace corvane::platform::jet
