#pragma once

#include "remote/link/protocol.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace remote::link {

// One command as it goes on the wire: the payload (7 bytes short, 12 bytes long), the sum
// of the payload bytes modulo 256, then 13. Long payloads carry their text right-aligned
// behind zero bytes.
class CommandFrame {
public:
    static CommandFrame shortForm(std::span<const std::uint8_t, protocol::ShortPayloadSize> p);
    static CommandFrame longForm(std::span<const std::uint8_t, protocol::LongPayloadSize> p);

    bool isLong() const { return m_size == protocol::LongFrameSize; }
    // Every byte in wire order, the checksum and the 13 included: 9 or 14 bytes.
    std::span<const std::uint8_t> bytes() const { return {m_bytes.data(), m_size}; }
    std::span<const std::uint8_t> payload() const { return {m_bytes.data(), m_size - 2}; }
    std::uint8_t checksum() const { return m_bytes[m_size - 2]; }

    friend bool operator==(const CommandFrame& a, const CommandFrame& b) {
        return a.m_size == b.m_size && a.m_bytes == b.m_bytes;
    }

private:
    CommandFrame() = default;
    static CommandFrame build(std::span<const std::uint8_t> payload);

    std::array<std::uint8_t, protocol::LongFrameSize> m_bytes{};
    std::size_t m_size = 0;
};

// The sum of the bytes modulo 256.
std::uint8_t FrameChecksum(std::span<const std::uint8_t> payload);

// ---- The twelve commands ----
// Key event: "KEYIN", the key's character code, "1" pressed or "0" released.
CommandFrame KeyCommand(std::uint8_t keyCode, bool pressed);
// Poll: "REMOTE1".
CommandFrame PollCommand();
// Read settings: five zero bytes, "SETDATA".
CommandFrame ReadSettingsCommand();
// "SAVE1" behind two zero bytes: year after 2000, month, day, hour, minute.
CommandFrame SaveDateTimeCommand(
    const std::array<std::uint8_t, protocol::DateTimeFieldCount>& yearMonthDayHourMinute);
// "SAVE2" behind one zero byte: the six characters of the identification number.
CommandFrame SaveIdCommand(const std::array<std::uint8_t, protocol::IdLength>& id);
// "SAVE3" behind five zero bytes: tens and units of the RF transmit time.
CommandFrame SaveRfTransmitTimeCommand(std::uint8_t tens, std::uint8_t units);
// "SAVE4" behind five zero bytes: laser Q level of channel 1 and 2, in hundredths.
CommandFrame SaveLaserLevelsCommand(std::uint8_t channel1, std::uint8_t channel2);
// "SAVE5" behind five zero bytes: laser volume of channel 1 and 2.
CommandFrame SaveLaserVolumesCommand(std::uint8_t channel1, std::uint8_t channel2);
// "SV6": the transmit times of alarm channels 0 to 8.
CommandFrame
SaveChannelTimesCommand(const std::array<std::uint8_t, protocol::AlarmChannelCount>& times);
// "SAVE7" behind five zero bytes, one zero byte, then the repeat time.
CommandFrame SaveRepeatTimeCommand(std::uint8_t repeatTime);
// "SAVE8" behind five zero bytes, one zero byte, then the switch bits (switch k = bit k).
CommandFrame SaveSwitchesCommand(std::uint8_t switchBits);
// "SIRN": the eight characters of the serial number.
CommandFrame SaveSerialCommand(const std::array<std::uint8_t, protocol::SerialLength>& serial);

} // namespace remote::link
