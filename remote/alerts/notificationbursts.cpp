#include "remote/alerts/notificationbursts.h"

namespace remote::alerts {

NotifyRequest NotificationBursts::request(const Channel& c) const {
    return {c.latest, c.count, c.firstUtcMs, c.id};
}

std::optional<NotifyRequest> NotificationBursts::alarm(const history::AlarmRecord& alarm) {
    if (alarm.channel < 0 || alarm.channel >= history::kChannelCount) {
        return std::nullopt;
    }
    Channel& c = m_channels[static_cast<std::size_t>(alarm.channel)];
    // The clock may step back; a gap is only what is plainly long.
    const bool fresh = c.count == 0 || alarm.utcMs - c.lastUtcMs > m_gapMs;
    if (fresh) {
        c.count = 0;
        c.firstUtcMs = alarm.utcMs;
    }
    if (c.count < 1'000'000) {
        ++c.count;
    }
    c.lastUtcMs = alarm.utcMs;
    c.latest = alarm;
    if (c.pending) {
        c.held = true;
        return std::nullopt;
    }
    c.pending = true;
    return request(c);
}

std::optional<NotifyRequest> NotificationBursts::shown(int channel, std::uint32_t id) {
    if (channel < 0 || channel >= history::kChannelCount) {
        return std::nullopt;
    }
    Channel& c = m_channels[static_cast<std::size_t>(channel)];
    if (!c.pending) {
        return std::nullopt;
    }
    c.id = id;
    if (!c.held) {
        c.pending = false;
        return std::nullopt;
    }
    c.held = false;
    return request(c);
}

void NotificationBursts::failed(int channel) {
    if (channel >= 0 && channel < history::kChannelCount) {
        m_channels[static_cast<std::size_t>(channel)] = Channel{};
    }
}

void NotificationBursts::closed(std::uint32_t id) {
    if (id == 0) {
        return;
    }
    for (Channel& c : m_channels) {
        if (c.id == id && !c.pending) {
            c = Channel{};
        } else if (c.id == id) {
            // A replacement is on its way; the service will open a new one for it.
            c.id = 0;
        }
    }
}

std::optional<int> NotificationBursts::channelOf(std::uint32_t id) const {
    for (std::size_t i = 0; id != 0 && i < m_channels.size(); ++i) {
        if (m_channels[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

} // namespace remote::alerts
