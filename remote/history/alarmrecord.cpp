#include "remote/history/alarmrecord.h"

#include <climits>
#include <cstdio>

namespace remote::history {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Proleptic Gregorian calendar from days since 1970-01-01, and back.
void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2 ? 1 : 0;
}

std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

bool digits(const std::string& s, std::size_t pos, std::size_t count, int& value) {
    if (pos + count > s.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (s[i] < '0' || s[i] > '9') {
            return false;
        }
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

} // namespace

std::string isoLocalTime(std::int64_t utcMs, int utcOffsetSeconds) {
    // Any time a file or a caller gives: held at the ends of the range rather than wrapped.
    std::int64_t local = 0;
    if (__builtin_add_overflow(utcMs, std::int64_t{utcOffsetSeconds} * 1000, &local)) {
        local = utcMs < 0 ? INT64_MIN : INT64_MAX;
    }
    const std::int64_t days = floorDiv(local, kMsPerDay);
    std::int64_t msOfDay = local % kMsPerDay;
    if (msOfDay < 0) {
        msOfDay += kMsPerDay;
    }
    std::int64_t y = 0;
    unsigned m = 0;
    unsigned d = 0;
    civilFromDays(days, y, m, d);
    const int offsetMinutes = (utcOffsetSeconds < 0 ? -utcOffsetSeconds : utcOffsetSeconds) / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02d:%02d:%02d.%03d%c%02d:%02d",
                  static_cast<long long>(y), m, d, static_cast<int>(msOfDay / 3'600'000),
                  static_cast<int>(msOfDay / 60'000 % 60), static_cast<int>(msOfDay / 1000 % 60),
                  static_cast<int>(msOfDay % 1000), utcOffsetSeconds < 0 ? '-' : '+',
                  offsetMinutes / 60, offsetMinutes % 60);
    return text;
}

std::optional<std::int64_t> parseIsoTime(const std::string& s) {
    int year = 0;
    int month = 0;
    int day = 0;
    if (!digits(s, 0, 4, year) || s.size() < 10 || s[4] != '-' || !digits(s, 5, 2, month) ||
        s[7] != '-' || !digits(s, 8, 2, day) || month < 1 || month > 12 || day < 1 || day > 31) {
        return std::nullopt;
    }
    int hour = 0;
    int minute = 0;
    int second = 0;
    int ms = 0;
    std::size_t pos = 10;
    if (pos < s.size()) {
        if ((s[pos] != 'T' && s[pos] != ' ') || !digits(s, pos + 1, 2, hour) ||
            s.size() < pos + 6 || s[pos + 3] != ':' || !digits(s, pos + 4, 2, minute)) {
            return std::nullopt;
        }
        pos += 6;
        if (pos < s.size() && s[pos] == ':') {
            if (!digits(s, pos + 1, 2, second)) {
                return std::nullopt;
            }
            pos += 3;
            if (pos < s.size() && s[pos] == '.') {
                if (!digits(s, pos + 1, 3, ms)) {
                    return std::nullopt;
                }
                pos += 4;
            }
        }
    }
    if (hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    int offsetSeconds = 0;
    if (pos < s.size()) {
        if (s[pos] == 'Z' && pos + 1 == s.size()) {
            ++pos;
        } else if ((s[pos] == '+' || s[pos] == '-') && s.size() == pos + 6 && s[pos + 3] == ':') {
            int oh = 0;
            int om = 0;
            if (!digits(s, pos + 1, 2, oh) || !digits(s, pos + 4, 2, om) || oh > 23 || om > 59) {
                return std::nullopt;
            }
            offsetSeconds = (oh * 3600 + om * 60) * (s[pos] == '-' ? -1 : 1);
            pos += 6;
        } else {
            return std::nullopt;
        }
    }
    const std::int64_t days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return days * kMsPerDay + ((hour * 60 + minute) * 60 + second - offsetSeconds) * 1000LL + ms;
}

} // namespace remote::history
