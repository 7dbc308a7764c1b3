#pragma once

#include "remote/alerts/notificationbursts.h"
#include "remote/history/alarmrecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace remote::alerts {

// The channel's label without its trailing colon: "RF Signal".
std::string channelName(const history::AlarmRecord& alarm);
// "2026-12-10 12:30:05" in the local time the alarm was seen at.
std::string localTimeText(std::int64_t utcMs, int utcOffsetSeconds);

// The desktop notification: "Alarm: RF Signal", and a body of plain lines whose markup
// characters are escaped (a notification service may read the body as markup).
std::string notificationSummary(const history::AlarmRecord& alarm);
std::string notificationBody(const NotifyRequest& request);

// "Last alarm: RF Signal at 2026-12-10 12:30:05"
std::string lastAlarmText(const history::AlarmRecord& alarm);

// The alarm command's variables.
std::vector<std::pair<std::string, std::string>>
commandEnvironment(const history::AlarmRecord& alarm);

// The journal entry's fields, "NAME=value" each; the entry is tagged "remote".
std::vector<std::string> journalFields(const history::AlarmRecord& alarm);

// How an alarm command ended, for the status bar when it failed; nothing when it succeeded.
struct CommandEnd {
    enum class Kind { Exited, Crashed, TimedOut, NotStarted } kind = Kind::Exited;
    int exitCode = 0;
    std::string error;          // the platform's text when it did not start
    std::string firstErrorLine; // of its standard error
};
std::optional<std::string> commandFailureText(const std::string& program, const CommandEnd& end,
                                              std::int64_t timeLimitMs);

} // namespace remote::alerts
