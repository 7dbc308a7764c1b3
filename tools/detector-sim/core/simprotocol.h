#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The detector's side of the serial protocol: what arrives from the station and the
// shapes of the frames the detector answers with. Kept apart from the station's own
// protocol code on purpose, so that the two sides check each other.
namespace detectorsim {

using Byte = std::uint8_t;

inline constexpr Byte CarriageReturn = 13;

// Commands from the station: payload, checksum (payload sum modulo 256), 13.
inline constexpr std::size_t ShortPayload = 7;                // bytes
inline constexpr std::size_t LongPayload = 12;                // bytes
inline constexpr std::size_t ShortCommand = ShortPayload + 2; // bytes on the wire
inline constexpr std::size_t LongCommand = LongPayload + 2;   // bytes on the wire

// Frames to the station: a sync pattern, then a fixed count of bytes ending with 13.
inline constexpr std::string_view ScreenSync = "STS,";
inline constexpr std::string_view SettingsSync = "SETS";
inline constexpr std::string_view AckSync = "DBOK";
inline constexpr std::size_t ShortScreenBody = 126; // bytes after the sync, 13 included
inline constexpr std::size_t LongScreenBody = 132;  // bytes after the sync, 13 included
inline constexpr std::size_t SettingsBody = 51;     // bytes after the sync, 13 included
inline constexpr std::size_t SettingsSummed = 48;   // leading bytes under the checksum

inline constexpr std::size_t DisplayLines = 5;
inline constexpr std::size_t DisplayWidth = 16; // characters per line
inline constexpr std::string_view HighlightMarker = "****************";
inline constexpr std::string_view SpecialLineMarker = "Close Call      ";

inline constexpr std::size_t AlarmChannels = 9;
// The three-byte code the detector sends for each alarm channel (channel 1 has two).
inline constexpr std::array<std::string_view, AlarmChannels> AlarmCodes = {
    "FA1", "FB1", "FB5", "FB6", "FB8", "FB9", "FBA", "FBB", "FBC"};

// Limits of the stored settings, as the detector enforces them.
inline constexpr int MaxTransmitTime = 60; // seconds
inline constexpr int MaxLaserValue = 99;   // hundredths for levels, steps for volumes
inline constexpr int MaxRepeatTime = 24;   // hours
inline constexpr int MaxSwitchBits = 15;
inline constexpr std::size_t IdLength = 6;     // characters
inline constexpr std::size_t SerialLength = 8; // characters

} // namespace detectorsim
