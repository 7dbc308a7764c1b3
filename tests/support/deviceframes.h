#pragma once

#include "remote/link/protocol.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Frames as the detector sends them, for the detector simulator and for tests.
namespace remote::link::device {

enum class ScreenForm {
    Short, // 125 display bytes: an idle display
    Long,  // 131 display bytes: the detector is scanning
};

// A screen frame: the sync pattern, the fields joined by single commas, then 13. Field 0
// (never shown) is padded with spaces at its end so the frame has its exact size. Fields
// 1 and on must be non-empty and free of commas (the reader would merge or split them).
// Throws std::invalid_argument when the fields do not fit, or when the frame would not
// read back as given (a sync pattern inside it, or a 13 at the short end of a long frame).
std::vector<std::uint8_t> ScreenFrame(ScreenForm form, std::span<const std::string> fields);

// A screen frame from its display bytes as they are (125 or 131 of them, else
// std::invalid_argument): the sync pattern, the bytes, then 13. No other check.
std::vector<std::uint8_t> RawScreenFrame(std::span<const std::uint8_t> displayBytes);

// The detector's settings, field by field, as its settings frame carries them.
struct Settings {
    std::uint8_t yearsAfter2000 = 0;
    std::uint8_t month = 1, day = 1, hour = 0, minute = 0, second = 0;
    std::array<std::uint8_t, protocol::IdLength> id{'0', '0', '0', '0', '0', '0'};
    std::uint8_t rfTransmitTime = 0;
    std::uint16_t laserQz1 = 0, laserQz2 = 0; // hundredths
    std::uint8_t laserQ1 = 0, laserQ2 = 0;    // hundredths
    std::uint8_t laserVolume1 = 0, laserVolume2 = 0;
    std::array<std::uint8_t, protocol::AlarmChannelCount> channelTimes{};
    std::uint8_t repeatTime = 0;
    std::uint8_t switchBits = 0; // bit k = switch k on
    std::array<std::uint8_t, protocol::SerialLength> serial{'0', '0', '0', '0', '0', '0', '0', '0'};
    std::uint16_t laserQs1 = 0, laserQs2 = 0; // hundredths
    std::array<std::uint8_t, 4> reserved{};   // covered by the checksum, never shown
};

inline constexpr std::size_t SettingsDataSize = 48; // bytes under the checksum

// The 48 checksummed bytes of a settings frame.
std::array<std::uint8_t, SettingsDataSize> EncodeSettings(const Settings& settings);

// A settings frame: the sync pattern, the 48 data bytes, their 16-bit sum (high byte
// first), then 13.
std::vector<std::uint8_t> SettingsFrame(std::span<const std::uint8_t, SettingsDataSize> data);
std::vector<std::uint8_t> SettingsFrame(const Settings& settings);

// The first alarm code of a channel (0 to 8), e.g. "FA1" for channel 0; std::out_of_range
// for other channels.
std::array<std::uint8_t, 3> AlarmCode(int channel);

// The acknowledgement: its sync pattern alone.
std::array<std::uint8_t, 4> Acknowledgement();

} // namespace remote::link::device
