#pragma once

#include "remote/link/protocol.h"

#include <cstdint>
#include <optional>
#include <string>

namespace remote::history {

// One alarm as the station showed it: when (UTC milliseconds and the local offset at that
// moment, so the local time can be shown as the operator saw it), which channel, the
// label's text, the detector's own clock from the last settings frame, if one came, and how
// many bytes the receive parser dropped in the two seconds before (line noise can raise a
// false alarm: alarm codes have no frame and no checksum).
struct AlarmRecord {
    std::int64_t id = 0; // row id, 0 until stored
    std::int64_t utcMs = 0;
    int utcOffsetSeconds = 0;
    int channel = 0; // 0 to 8
    std::string label;
    std::optional<std::string> detectorClock; // "2024-05-01 12:30:05"
    std::uint32_t droppedBytes = 0;

    bool operator==(const AlarmRecord&) const = default;
};

// The channels with an alarm label; their captions are link::protocol::AlarmChannelLabels.
inline constexpr int kChannelCount = link::protocol::AlarmChannelCount;

// Local time with its offset, to the millisecond: "2026-12-10T05:30:00.123+01:00".
std::string isoLocalTime(std::int64_t utcMs, int utcOffsetSeconds);

// Reads the form isoLocalTime writes, or without milliseconds, with "Z" or without an
// offset (then UTC); a date alone means its midnight. Nothing on bad text.
std::optional<std::int64_t> parseIsoTime(const std::string& text);

} // namespace remote::history
