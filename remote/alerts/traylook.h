#pragma once

#include <cstdint>
#include <optional>

namespace remote::alerts {

inline constexpr std::int64_t kRecentAlarmMs = 60'000; // an alarm this recent shows in the tray

enum class TrayLook { Quiet, Alarm, LinkLost };

// A recent alarm outranks a lost link: it is what the operator must see first. Times are
// of one steady clock, in milliseconds.
inline TrayLook trayLook(bool linkUp, std::optional<std::int64_t> lastAlarmMs, std::int64_t nowMs) {
    if (lastAlarmMs && nowMs - *lastAlarmMs < kRecentAlarmMs) {
        return TrayLook::Alarm;
    }
    return linkUp ? TrayLook::Quiet : TrayLook::LinkLost;
}

} // namespace remote::alerts
