#pragma once

#include "remote/history/alarmrecord.h"
#include "remote/history/settingssnapshot.h"
#include "remote/link/forwardingview.h"

#include <array>
#include <functional>
#include <optional>
#include <utility>

namespace remote::history {

// Stands between the link and the real window: every call is passed on unchanged, and
// each time an alarm label turns red (from any other colour) the alarm is handed to the
// sink with the time from the clock, the detector's clock as the last settings frame showed
// it and the bytes the line dropped just before (from the noise source). Each time the
// settings read back differ from the last ones seen (the clock aside), a snapshot goes to
// the snapshot sink.
class AlarmWatch : public link::ForwardingView {
public:
    struct Now {
        std::int64_t utcMs = 0;
        int utcOffsetSeconds = 0;
    };
    using Clock = std::function<Now()>;
    using Sink = std::function<void(const AlarmRecord&)>;
    using SnapshotSink = std::function<void(const SettingsSnapshot&)>;
    using NoiseSource = std::function<std::uint32_t()>;

    AlarmWatch(link::MonitorView& view, Clock clock, Sink sink);

    // While off, alarms are still shown but not handed on (a replay is not history).
    void setRecording(bool on);
    void setSnapshotSink(SnapshotSink sink) { m_snapshotSink = std::move(sink); }
    void setNoiseSource(NoiseSource source) { m_noise = std::move(source); }
    bool recording() const { return m_recording; }
    const std::optional<std::string>& detectorClock() const { return m_detectorClock; }
    // Some alarm label is red now (replayed alarms included).
    bool anyRed() const;

    void setEventLabelColor(int channel, std::uint32_t colour) override;
    void setDisplayCaption(Display display, int index, const std::string& caption) override;
    void settingsReadBack(const link::SettingsReadout& readout) override;

private:
    Clock m_clock;
    Sink m_sink;
    bool m_recording = true;
    std::array<bool, kChannelCount> m_red{};
    std::array<std::string, 6> m_ttime;
    std::optional<std::string> m_detectorClock;
    SnapshotSink m_snapshotSink;
    NoiseSource m_noise;
    std::optional<SettingsSnapshot> m_lastSettings;
};

} // namespace remote::history
