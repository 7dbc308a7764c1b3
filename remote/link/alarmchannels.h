#pragma once

#include "remote/link/protocol.h"

#include <array>
#include <cstdint>

namespace remote::link {

class MonitorView;

// The nine alarm channels: raised by the receive parser when a code arrives, shown red by
// the fade step until AlarmHoldTicks ticks pass without a new report.
class AlarmChannels {
public:
    void raise(int channel) {
        m_active[static_cast<std::size_t>(channel)] = true;
        m_ticks[static_cast<std::size_t>(channel)] = 0;
    }

    // Once per tick: every active channel's label turns (or stays) red and ages by one
    // tick; at the end of its hold time it goes black and idle.
    void FadeStep(MonitorView& view);

    bool AlarmActive(int channel) const;
    int AlarmTicks(int channel) const;

private:
    std::array<bool, protocol::AlarmSlotCount> m_active{};
    std::array<std::int16_t, protocol::AlarmSlotCount> m_ticks{};
};

} // namespace remote::link
