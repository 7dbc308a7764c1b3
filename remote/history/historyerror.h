#pragma once

// What the store and its engine calls share: the history's error and the reading filter.

#include "remote/history/alarmrecord.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace remote::history {

// Why the history file could not be used, as far as the operator can act on it.
enum class HistoryCause { Other, DiskFull, ReadOnly, Damaged };

// "disk full", "read-only", "damaged"; empty for any other cause.
std::string causeWords(HistoryCause cause);

class HistoryError : public std::runtime_error {
public:
    // code: the engine's (extended) result code, 0 when the error is not the engine's;
    // systemError: the errno behind it, 0 when none.
    explicit HistoryError(const std::string& what, int code = 0, int systemError = 0);

    int code() const { return m_code; }
    int systemError() const { return m_systemError; }
    HistoryCause cause() const;
    // The cause's words, or the engine's text when it has none.
    std::string reason() const;

private:
    int m_code;
    int m_systemError;
};

// Which alarms to read: the time range [from, to) in UTC milliseconds (open where unset)
// and a bit per channel (bit 0 = channel 0).
struct HistoryFilter {
    std::optional<std::int64_t> from;
    std::optional<std::int64_t> to;
    unsigned channelMask = (1u << kChannelCount) - 1;

    bool accepts(const AlarmRecord& record) const;
};

} // namespace remote::history
