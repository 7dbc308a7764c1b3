#pragma once

#include <cstdint>
#include <vector>

namespace remote::alerts {

inline constexpr int kToneSampleRate = 22050; // samples per second, 16-bit mono
inline constexpr int kToneMs = 600;           // milliseconds: two beeps and a pause

// The alarm tone as a complete WAV file: two short beeps (880 Hz, then 1320 Hz) with soft
// edges so they do not click, then a pause, so that played in a loop it reads as a
// repeating alarm.
std::vector<std::uint8_t> alarmToneWav();

} // namespace remote::alerts
