#include "remote/history/alarmwatch.h"

#include <algorithm>
#include <utility>

namespace remote::history {
namespace {

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string twoDigits(const std::string& s) {
    const std::string t = trimmed(s);
    return t.size() == 1 ? "0" + t : t;
}

} // namespace

AlarmWatch::AlarmWatch(link::MonitorView& view, Clock clock, Sink sink)
    : ForwardingView(view)
    , m_clock(std::move(clock))
    , m_sink(std::move(sink)) {}

void AlarmWatch::setEventLabelColor(int channel, std::uint32_t colour) {
    ForwardingView::setEventLabelColor(channel, colour);
    if (channel < 0 || channel >= kChannelCount) {
        return;
    }
    bool& red = m_red[static_cast<std::size_t>(channel)];
    const bool turnsRed = colour == link::protocol::AlarmColour && !red;
    red = colour == link::protocol::AlarmColour;
    if (turnsRed && m_recording && m_sink) {
        const Now now = m_clock ? m_clock() : Now{};
        m_sink(AlarmRecord{0, now.utcMs, now.utcOffsetSeconds, channel,
                           link::protocol::AlarmChannelLabels[static_cast<std::size_t>(channel)],
                           m_detectorClock, m_noise ? m_noise() : 0});
    }
}

bool AlarmWatch::anyRed() const {
    return std::find(m_red.begin(), m_red.end(), true) != m_red.end();
}

void AlarmWatch::setDisplayCaption(Display display, int index, const std::string& caption) {
    ForwardingView::setDisplayCaption(display, index, caption);
    if (display != Display::TTIME || index < 0 || index > 5) {
        return;
    }
    m_ttime[static_cast<std::size_t>(index)] = caption;
    // The settings frame fills the six fields in order; the second is the last one.
    if (index == 5) {
        m_detectorClock = trimmed(m_ttime[0]) + "-" + twoDigits(m_ttime[1]) + "-" +
                          twoDigits(m_ttime[2]) + " " + twoDigits(m_ttime[3]) + ":" +
                          twoDigits(m_ttime[4]) + ":" + twoDigits(m_ttime[5]);
    }
}

void AlarmWatch::setRecording(bool on) {
    m_recording = on;
    if (!on) {
        // A replay's settings are not the detector's: the first ones after it are kept anew.
        m_lastSettings.reset();
    }
}

void AlarmWatch::settingsReadBack(const link::SettingsReadout& readout) {
    ForwardingView::settingsReadBack(readout);
    if (!m_recording) {
        return;
    }
    SettingsSnapshot snapshot = SettingsSnapshot::fromReadout(readout);
    if (m_lastSettings && m_lastSettings->sameSettings(snapshot)) {
        return;
    }
    const Now now = m_clock ? m_clock() : Now{};
    snapshot.utcMs = now.utcMs;
    snapshot.utcOffsetSeconds = now.utcOffsetSeconds;
    m_lastSettings = snapshot;
    if (m_snapshotSink) {
        m_snapshotSink(snapshot);
    }
}

} // namespace remote::history
