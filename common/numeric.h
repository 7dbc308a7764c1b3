#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

// Whole-number results of layout and value arithmetic: nearest integer, a value exactly
// halfway goes to the even neighbour (2.5 -> 2, 3.5 -> 4). Results that do not fit the
// target type are reported as nullopt instead of wrapping.
namespace common {

inline double roundHalfEven(double v) {
    // std::nearbyint honours the current rounding mode; round-to-nearest-even is the
    // default and nothing in this program changes it, but do not depend on that.
    const double r = std::round(v);
    if (std::fabs(v - std::trunc(v)) == 0.5) {
        return 2.0 * std::round(v / 2.0);
    }
    return r;
}

template <typename Int>
std::optional<Int> roundToInt(double v) {
    if (!std::isfinite(v)) {
        return std::nullopt;
    }
    const double r = roundHalfEven(v);
    if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
        r > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(r);
}

inline std::optional<std::int16_t> roundToInt16(double v) {
    return roundToInt<std::int16_t>(v);
}
inline std::optional<std::int32_t> roundToInt32(double v) {
    return roundToInt<std::int32_t>(v);
}

} // namespace common
