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

// 16-bit arithmetic of layout intermediates, computed in int: a result outside
// -32768..32767 has no value, where a 16-bit program would have stopped with an overflow.
inline bool fitsInt16(std::int64_t v) {
    return v >= std::numeric_limits<std::int16_t>::min() &&
           v <= std::numeric_limits<std::int16_t>::max();
}

// roundToInt16, widened to int for further arithmetic.
inline std::optional<int> nearestInt16(double v) {
    const auto r = roundToInt16(v);
    return r ? std::optional<int>(*r) : std::nullopt;
}

inline std::optional<int> addInt16(int a, int b) {
    const std::int64_t s = std::int64_t{a} + b;
    return fitsInt16(s) ? std::optional<int>(static_cast<int>(s)) : std::nullopt;
}

// A missing operand (an earlier overflow) gives no value either.
inline std::optional<int> addInt16(std::optional<int> a, int b) {
    return a ? addInt16(*a, b) : std::nullopt;
}

inline std::optional<int> subtractInt16(int a, int b) {
    const std::int64_t d = std::int64_t{a} - b;
    return fitsInt16(d) ? std::optional<int>(static_cast<int>(d)) : std::nullopt;
}

} // namespace common
