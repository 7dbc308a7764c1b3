#pragma once

#include "remote/link/protocol.h"

#include <array>
#include <cstdint>
#include <string>

namespace remote::link {
struct SettingsReadout;
}

namespace remote::history {

// The settings the detector read back at one moment, its clock left out: what a sweep
// report shows as the detector's set-up. Texts are as the displays showed them (one char
// per device byte, Latin-1).
struct SettingsSnapshot {
    static constexpr std::size_t kLaserFigures = 8;

    std::int64_t id = 0; // row id, 0 until stored
    std::int64_t utcMs = 0;
    int utcOffsetSeconds = 0;
    std::string detectorId;                                                  // SETID
    std::string serial;                                                      // SERIAL
    std::string rfTime;                                                      // RFXTIME
    std::array<std::string, link::protocol::AlarmChannelCount> channelTimes; // STIMEV
    std::string repeatTime;                                                  // FREQV
    // LASERQZ1, LASERQZ2, LASERQS1, LASERQS2, LASERQ1, LASERQ2, LASERVV1, LASERVV2.
    std::array<std::string, kLaserFigures> laser;
    std::uint8_t switches = 0; // bit k = switch k on, k 0 to 3

    // The same settings, whenever and wherever stored. The laser QZ and QS figures are
    // readings that wander from frame to frame: they are kept with a snapshot but do not make
    // the settings differ, or a polling station would keep a snapshot with every frame.
    bool sameSettings(const SettingsSnapshot& other) const;
    bool operator==(const SettingsSnapshot&) const = default;

    static SettingsSnapshot fromReadout(const link::SettingsReadout& readout);
    // The laser figures' names, in the order of `laser`.
    static const std::array<const char*, kLaserFigures>& laserNames();
};

} // namespace remote::history
