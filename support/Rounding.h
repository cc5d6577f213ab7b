#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// Geometry becomes whole pixels here and nowhere else: nearest, halves to even.
// Values beyond 32 bits saturate instead of invoking undefined conversion.
inline int32_t roundToPixel(double v) {
    if (std::isnan(v))
        return 0;
    const double r = std::nearbyint(v);
    if (r >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (r <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}
