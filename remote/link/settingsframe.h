#pragma once

#include "remote/link/protocol.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace remote::link {

// What a settings frame shows, one text per display, already formatted.
struct SettingsReadout {
    std::array<std::string, 6> TTIME; // year (signed-number text), month .. second
    std::string SETID;                // "QND-" and six characters
    std::string RFXTIME;
    std::string LASERQZ1, LASERQZ2, LASERQS1, LASERQS2; // "#0.00" of hundredths
    std::string LASERQ1, LASERQ2;                       // "#0.00" of hundredths
    std::string LASERVV1, LASERVV2;
    std::array<std::string, protocol::AlarmChannelCount> STIMEV;
    std::string FREQV;
    std::uint8_t switchBits = 0; // bit k = switch k on; bits 4 to 7 are not switches
    std::string SERIAL;
};

// The 16-bit checksum of a settings frame: the sum of positions 0 to 47 against
// byte 48 * 256 + byte 49. The frame is the 51 bytes after the sync pattern.
bool SettingsChecksumGood(std::span<const std::uint8_t, protocol::SettingsFrameSize> frame);

// The displays of a settings frame, or nothing when its checksum is wrong.
std::optional<SettingsReadout>
ReadSettingsFrame(std::span<const std::uint8_t, protocol::SettingsFrameSize> frame);

// Hundredths as "#0.00": 5 -> "0.05", 1234 -> "12.34", 65535 -> "655.35".
std::string HundredthsText(unsigned hundredths);

} // namespace remote::link
