#include "common/numbertext.h"

#include "common/numeric.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace common {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int digitValue(char c, int radix) {
    int v = -1;
    if (c >= '0' && c <= '9') {
        v = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        v = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        v = c - 'A' + 10;
    }
    return v < radix ? v : -1;
}

// "&H..." and "&O...": a small number takes the width of the smallest signed type it fits
// unsigned, as a literal of that width would.
double radixNumber(std::string_view digits, int radix) {
    double v = 0.0;
    std::size_t i = 0;
    for (; i < digits.size(); ++i) {
        const int d = digitValue(digits[i], radix);
        if (d < 0) {
            break;
        }
        v = v * radix + d;
    }
    if (i == 0) {
        return 0.0;
    }
    if (v <= 65535.0) {
        return v > 32767.0 ? v - 65536.0 : v;
    }
    if (v <= 4294967295.0) {
        return v > 2147483647.0 ? v - 4294967296.0 : v;
    }
    return v;
}

// Decimal magnitude of a digit string with an optional point and exponent: positive when
// the number is at least 1. Only used to tell overflow from underflow.
long long decimalMagnitude(std::string_view mantissa, long long exponent) {
    long long integerDigits = 0;
    long long zerosAfterPoint = 0;
    bool seenNonZero = false;
    bool afterPoint = false;
    for (const char c : mantissa) {
        if (c == '.') {
            afterPoint = true;
        } else if (isDigit(c)) {
            if (c != '0') {
                seenNonZero = true;
            }
            if (!afterPoint && seenNonZero) {
                ++integerDigits;
            } else if (afterPoint && !seenNonZero) {
                ++zerosAfterPoint;
            }
        }
    }
    return (integerDigits > 0 ? integerDigits : -zerosAfterPoint) + exponent;
}

double decimalNumber(std::string_view s) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    const std::size_t mantissaStart = i;
    bool anyDigit = false;
    bool seenPoint = false;
    for (; i < s.size(); ++i) {
        if (isDigit(s[i])) {
            anyDigit = true;
        } else if (s[i] == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!anyDigit) {
        return 0.0;
    }
    const std::string_view mantissa = s.substr(mantissaStart, i - mantissaStart);

    // The exponent counts only with at least one digit: "1e" and "1e+" read 1.
    std::string_view exponentText;
    long long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        bool expNegative = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            expNegative = s[j] == '-';
            ++j;
        }
        const std::size_t expDigits = j;
        while (j < s.size() && isDigit(s[j])) {
            // Saturate: anything this large is an overflow or underflow anyway.
            if (exponent < 100000) {
                exponent = exponent * 10 + (s[j] - '0');
            }
            ++j;
        }
        if (j > expDigits) {
            exponentText = s.substr(i + 1, j - i - 1);
            if (expNegative) {
                exponent = -exponent;
            }
        }
    }

    std::string text(mantissa);
    if (!exponentText.empty()) {
        text += 'e';
        text += exponentText;
    }
    double value = 0.0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        value = decimalMagnitude(mantissa, exponent) > 0 ? std::numeric_limits<double>::infinity()
                                                         : 0.0;
    } else if (ec != std::errc{}) {
        value = 0.0;
    }
    return negative ? -value : value;
}

} // namespace

double Val(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (const char c : text) {
        if (!isBlank(c)) {
            s += c;
        }
    }
    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'h' || s[1] == 'H') {
            return radixNumber(std::string_view(s).substr(2), 16);
        }
        if (s[1] == 'o' || s[1] == 'O') {
            return radixNumber(std::string_view(s).substr(2), 8);
        }
        return 0.0;
    }
    return decimalNumber(s);
}

std::optional<std::int16_t> CInt(double value) {
    return common::roundToInt16(value);
}

std::string SignedNumberText(std::int32_t value) {
    std::string s = std::to_string(value);
    if (value >= 0) {
        s.insert(s.begin(), ' ');
    }
    return s;
}

} // namespace common
