#pragma once

#include "remote/history/alarmrecord.h"

#include <array>
#include <cstdint>
#include <optional>

namespace remote::alerts {

inline constexpr std::int64_t kBurstGapMs = 60'000; // a quieter gap than this starts a new count

// What a channel's notification is to say: the latest alarm, how many came in this burst
// and since when, and the notification it replaces (0 for a new one).
struct NotifyRequest {
    history::AlarmRecord latest;
    int count = 1;
    std::int64_t firstUtcMs = 0;
    std::uint32_t replacesId = 0;
};

// One notification per channel at most: a burst replaces the channel's notification and
// counts up instead of adding one per alarm. While a call is on its way (its id not yet
// known) later alarms only count; the latest state goes out once the reply names the id.
class NotificationBursts {
public:
    explicit NotificationBursts(std::int64_t burstGapMs = kBurstGapMs)
        : m_gapMs(burstGapMs) {}

    // The call to make now, or nothing while the channel's last call is unanswered.
    std::optional<NotifyRequest> alarm(const history::AlarmRecord& alarm);
    // The service answered the channel's call with id; the call held back meanwhile, if any.
    std::optional<NotifyRequest> shown(int channel, std::uint32_t id);
    // The channel's call failed: nothing is on its way, the next alarm makes a new one.
    void failed(int channel);
    // The notification went away (closed by the operator or expired): the next alarm on
    // its channel opens a new one with a new count.
    void closed(std::uint32_t id);
    // The channel whose notification has this id.
    std::optional<int> channelOf(std::uint32_t id) const;

private:
    struct Channel {
        std::uint32_t id = 0;
        bool pending = false;
        bool held = false; // an alarm came while pending
        int count = 0;
        std::int64_t firstUtcMs = 0;
        std::int64_t lastUtcMs = 0;
        history::AlarmRecord latest;
    };
    NotifyRequest request(const Channel& c) const;

    std::int64_t m_gapMs;
    std::array<Channel, history::kChannelCount> m_channels{};
};

} // namespace remote::alerts
