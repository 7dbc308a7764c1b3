#pragma once

#include "remote/history/alarmrecord.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace remote::alerts {

inline constexpr int kChannelCount = history::kChannelCount;
inline constexpr int kDefaultVolume = 80;              // percent
inline constexpr std::size_t kMaxCommandLength = 4096; // characters of the alarm command

// What reaches the operator when an alarm comes, per user, [alerts] in the program's
// configuration file.
struct AlertSettings {
    bool notify = true;
    bool tray = true;
    bool sound = true;
    int volume = kDefaultVolume; // 0 to 100
    std::array<bool, kChannelCount> channels{true, true, true, true, true, true, true, true, true};
    std::string command; // empty: none

    bool alerts(int channel) const {
        return channel >= 0 && channel < kChannelCount &&
               channels[static_cast<std::size_t>(channel)];
    }
    bool operator==(const AlertSettings&) const = default;
};

// The keys under [alerts].
namespace key {
inline constexpr char notify[] = "notify";
inline constexpr char tray[] = "tray";
inline constexpr char sound[] = "sound";
inline constexpr char volume[] = "volume";
inline constexpr char channels[] = "channels";
inline constexpr char command[] = "command";
} // namespace key

// "true", "false" (as written; also 1/0, yes/no, on/off, any case, blanks around).
std::optional<bool> parseFlag(std::string_view text);
// A whole number 0 to 100.
std::optional<int> parseVolume(std::string_view text);
// A comma list of channel numbers 0 to 8 ("0,2,5"); an empty text is no channel.
std::optional<std::array<bool, kChannelCount>> parseChannels(std::string_view text);
// The channels as parseChannels reads them, in ascending order.
std::string channelList(const std::array<bool, kChannelCount>& channels);

// The stored text of a key, nothing when the key is absent.
using ReadValue = std::function<std::optional<std::string>(std::string_view key)>;

struct ReadResult {
    AlertSettings settings;
    // One line naming every value that could not be read (each falls back to its
    // default); empty when all could.
    std::string warning;
};

// An absent key takes its default quietly; a key that is there but cannot be read takes
// its default and is named in the warning.
ReadResult readAlertSettings(const ReadValue& read);

// Key and text of every value, as readAlertSettings reads them back.
std::vector<std::pair<std::string, std::string>>
writtenAlertSettings(const AlertSettings& settings);

} // namespace remote::alerts
