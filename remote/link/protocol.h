#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The detector's wire protocol in numbers. Everything the link sends or expects is derived
// from the values here; nothing else in the link spells out a byte count or a tick count.
namespace remote::link::protocol {

// ---- Serial line ---------------------------------------------------------------------
inline constexpr int BaudRate = 9600;        // bits per second, 8 data bits, no parity, 1 stop
inline constexpr std::uint8_t FrameEnd = 13; // byte: carriage return ending every frame

// ---- Command frames (outgoing) --------------------------------------------------------
inline constexpr std::size_t ShortPayloadSize = 7;                  // bytes of payload, short form
inline constexpr std::size_t LongPayloadSize = 12;                  // bytes of payload, long form
inline constexpr std::size_t ShortFrameSize = ShortPayloadSize + 2; // bytes: + checksum + 13
inline constexpr std::size_t LongFrameSize = LongPayloadSize + 2;   // bytes: + checksum + 13
inline constexpr std::size_t WorkBufferSlots = 21; // 16-bit slots the tick builds a frame in

// Byte position of a long command's text in its payload. The positions in front of it stay
// zero bytes; the text and its values end at the payload's last byte.
inline constexpr std::size_t ReadSettingsTextAt = 5;     // 0 0 0 0 0 "SETDATA"
inline constexpr std::size_t SaveDateTimeTextAt = 2;     // 0 0 "SAVE1", 5 values
inline constexpr std::size_t SaveIdTextAt = 1;           // 0 "SAVE2", 6 characters
inline constexpr std::size_t SaveTwoBytesTextAt = 5;     // 0 0 0 0 0 "SAVE3" to "SAVE5",
                                                         // "SAVE7", "SAVE8", then 2 bytes
inline constexpr std::size_t SaveChannelTimesTextAt = 0; // "SV6", 9 values
inline constexpr std::size_t SaveSerialTextAt = 0;       // "SIRN", 8 characters

// ---- Incoming frames ------------------------------------------------------------------
// Sync patterns, oldest byte first. The byte completing one restarts frame collection.
inline constexpr std::array<std::uint8_t, 4> ScreenSync{'S', 'T', 'S', ','};
inline constexpr std::array<std::uint8_t, 4> AckSync{'D', 'B', 'O', 'K'};
inline constexpr std::array<std::uint8_t, 4> SettingsSync{'S', 'E', 'T', 'S'};

// Byte counts after the sync pattern at which a carriage return completes a frame.
inline constexpr int ShortScreenFrameSize = 126; // bytes: 125 display bytes, then 13
inline constexpr int LongScreenFrameSize = 132;  // bytes: 131 display bytes, then 13
inline constexpr int SettingsFrameSize = 51;     // bytes: 48 data, 2 checksum, then 13
inline constexpr int SettingsChecksumHigh = 48;  // byte position of the checksum's high byte
inline constexpr int SettingsChecksumLow = 49;   // byte position of the checksum's low byte

// A frame without its end stops counting here; further bytes overwrite the last slot.
inline constexpr int RxPosMax = 1300;                            // bytes
inline constexpr std::size_t RxBufSlots = std::size_t{RxPosMax}; // bytes ever stored

// What the last sync pattern announced.
enum FrameState : std::int16_t {
    NoFrame = 0,
    ScreenFrame = 1,
    Acknowledgement = 2,
    SettingsFrame = 3,
};

// ---- Alarm codes ----------------------------------------------------------------------
inline constexpr int AlarmChannelCount = 9; // channels with a label, indexes 0 to 8
inline constexpr int AlarmSlotCount = 11;   // slots kept, indexes 0 to 10 (9 and 10 unused)

// The alarm labels' captions, channel 0 to 8.
inline constexpr std::array<const char*, AlarmChannelCount> AlarmChannelLabels{
    "RF Signal :",     "Laser Beam :", "Ext1(CH1) :", "Ext2(CH2) :", "Ext3(Video) :",
    "Ext4(Digital) :", "Ext5(RF) :",   "Ext6 :",      "Ext7 :"};

struct AlarmCode {
    std::array<std::uint8_t, 3> bytes;
    int channel;
};

// Three-byte codes that may stand anywhere in the stream. "FB3", "FB4" and "FB7" and every
// other code raise nothing.
inline constexpr std::array<AlarmCode, 10> AlarmCodes{{
    {{'F', 'A', '1'}, 0},
    {{'F', 'B', '1'}, 1},
    {{'F', 'B', '2'}, 1},
    {{'F', 'B', '5'}, 2},
    {{'F', 'B', '6'}, 3},
    {{'F', 'B', '8'}, 4},
    {{'F', 'B', '9'}, 5},
    {{'F', 'B', 'A'}, 6},
    {{'F', 'B', 'B'}, 7},
    {{'F', 'B', 'C'}, 8},
}};

// ---- Timing ---------------------------------------------------------------------------
inline constexpr int TickPeriodMs = 100;     // milliseconds between two ticks of Timer1
inline constexpr int CycleLength = 4;        // ticks: key or poll on 2, setting step on 4
inline constexpr int KeyTick = 2;            // tick of the cycle that sends a key or the poll
inline constexpr int SaveTick = 4;           // a save button puts the cycle here
inline constexpr int LampHoldTicks = 1;      // ticks a lamp stays lit after the one it lit in
inline constexpr int AlarmHoldTicks = 10;    // ticks an alarm label stays red after a report
inline constexpr int ScanBlinkHoldTicks = 3; // ticks the scan mark holds a phase, plus one

// ---- Display mirror -------------------------------------------------------------------
inline constexpr int ScreenLineCount = 5;             // lines of the detector's display
inline constexpr std::size_t DisplaySegSlots = 21;    // field slots kept (0 to 18 used)
inline constexpr int LastField = 18;                  // fields beyond this one run into it
inline constexpr std::uint8_t SpecialCharOffset = 24; // added to control bytes of a special line

// ---- Settings values ------------------------------------------------------------------
inline constexpr int SettingsYearBase = 2000; // years: byte 0 counts years after this
inline constexpr int MaxTransmitTime = 60;    // device time units: RF and channel transmit times
inline constexpr int MaxLaserSetting = 99;    // hundredths (level) or volume steps
inline constexpr int MaxRepeatTime = 24;      // device time units: repeat time
inline constexpr int DateTimeFieldCount = 5;  // values of a date and time save: year to minute
inline constexpr int IdLength = 6;            // characters of the identification number
inline constexpr int SerialLength = 8;        // characters of the serial number
inline constexpr int SwitchCount = 4;         // on/off switches, bit k = switch k
inline constexpr int SettingCommandCount = 9; // save buttons 0 to 8, PendingSave 1 to 9

// ---- Colours (0x00BBGGRR, or a system colour with the top bit set) ------------------------
inline constexpr std::uint32_t AlarmColour = 0x000000C0;        // red 192: channel alarm
inline constexpr std::uint32_t IdleLabelColour = 0x00000000;    // black: no alarm
inline constexpr std::uint32_t EditedSwitchColour = 0x0080FFFF; // light yellow: unsaved switch
inline constexpr std::uint32_t SystemWindowColour = 0x80000005; // system window colour

} // namespace remote::link::protocol
