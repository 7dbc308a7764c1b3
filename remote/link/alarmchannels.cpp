#include "remote/link/alarmchannels.h"

#include "remote/link/monitorview.h"

namespace remote::link {

void AlarmChannels::FadeStep(MonitorView& view) {
    for (int i = 0; i < protocol::AlarmChannelCount; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        if (!m_active[slot]) {
            continue;
        }
        view.setEventLabelColor(i, protocol::AlarmColour);
        ++m_ticks[slot];
        if (m_ticks[slot] > protocol::AlarmHoldTicks) {
            m_ticks[slot] = 0;
            m_active[slot] = false;
            view.setEventLabelColor(i, protocol::IdleLabelColour);
        }
    }
}

bool AlarmChannels::AlarmActive(int channel) const {
    return channel >= 0 && channel < protocol::AlarmSlotCount &&
           m_active[static_cast<std::size_t>(channel)];
}

int AlarmChannels::AlarmTicks(int channel) const {
    if (channel < 0 || channel >= protocol::AlarmSlotCount) {
        return 0;
    }
    return m_ticks[static_cast<std::size_t>(channel)];
}

} // namespace remote::link
