#pragma once

#include "simprotocol.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace detectorsim {

// What the detector's display shows. Lines are raw bytes, at most 16 of them each.
struct ScreenContent {
    std::array<std::string, DisplayLines> lines;
    int highlighted = -1;  // short frames: the selected line, -1 none
    bool scanning = false; // long frame
    std::string hidden;    // bytes placed in the frame's unshown tail (an alarm code)
};

// The screen frame, sync pattern included. Commas and 13s in a line would break the frame
// apart and are replaced by blanks; the unshown tail takes at most 20 bytes.
std::vector<Byte> screenFrame(const ScreenContent& screen);

struct SettingsRecord {
    int year = 26; // after 2000
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::array<Byte, IdLength> id{};
    Byte rfTime = 0;
    std::array<std::uint16_t, 2> laserQz{};
    std::array<Byte, 2> laserQ{};
    std::array<Byte, 2> laserVolume{};
    std::array<Byte, AlarmChannels> channelTime{};
    Byte repeatTime = 0;
    Byte switches = 0;
    std::array<Byte, SerialLength> serial{};
    std::array<std::uint16_t, 2> laserQs{};
    std::array<Byte, 4> spare{}; // under the checksum, not shown by the station
};

// The settings frame, sync pattern included, with its 16-bit checksum; corruptChecksum
// sends a wrong one (fault injection).
std::vector<Byte> settingsFrame(const SettingsRecord& record, bool corruptChecksum = false);

std::vector<Byte> ackFrame();

} // namespace detectorsim
