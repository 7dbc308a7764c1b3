#pragma once

#include "remote/history/alarmrecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace remote::mqtt {

// What the status topic says about the station besides online or offline. Texts from the
// detector hold one char per device byte (Latin-1), as the link gives them.
struct StationStatus {
    std::string link = "closed"; // "open", "closed" or "lost"
    std::string port;            // the device the port number stands for, UTF-8
    std::optional<std::string> detectorId;
    std::optional<std::string> serial;

    bool operator==(const StationStatus&) const = default;
};

// The settings the detector last read back, by display name, in the order shown.
using SettingsSnapshot = std::vector<std::pair<std::string, std::string>>;

// A JSON string of Latin-1 text: quoted, escaped, in UTF-8.
std::string jsonLatin1(const std::string& text);
// A JSON string of UTF-8 text (a device path), quoted and escaped.
std::string jsonUtf8(const std::string& text);

// {"seq": 1, "channel": 2, "label": "Ext1(CH1) :", "time": "...", "detector_clock": null}
std::string alarmPayload(std::int64_t seq, const history::AlarmRecord& alarm);
// {"state": "online", "link": "open", "port": "...", "detector_id": null, "serial": null,
//  "dropped": 0}
std::string statusPayload(const StationStatus& status, bool online, std::uint64_t dropped);
// {"TTIME": "...", "SETID": "...", ...}
std::string settingsPayload(const SettingsSnapshot& settings);

} // namespace remote::mqtt
