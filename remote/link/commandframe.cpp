#include "remote/link/commandframe.h"

#include <algorithm>

namespace remote::link {

namespace {

using LongPayload = std::array<std::uint8_t, protocol::LongPayloadSize>;

// A long command: the text at byte position TextAt of the payload, the values behind it,
// zero bytes in front. Text and values must end at the payload's last byte.
template <std::size_t TextAt, std::size_t TextSize, std::size_t ValueCount>
CommandFrame longCommand(const char (&text)[TextSize],
                         const std::array<std::uint8_t, ValueCount>& values) {
    constexpr std::size_t letters = TextSize - 1; // without the literal's terminating 0
    static_assert(TextAt + letters + ValueCount == protocol::LongPayloadSize,
                  "a long command's text and values are right-aligned in its payload");
    LongPayload p{};
    std::copy_n(text, letters, p.begin() + TextAt);
    std::copy(values.begin(), values.end(), p.begin() + TextAt + letters);
    return CommandFrame::longForm(p);
}

} // namespace

CommandFrame CommandFrame::shortForm(std::span<const std::uint8_t, protocol::ShortPayloadSize> p) {
    return build(p);
}

CommandFrame CommandFrame::longForm(std::span<const std::uint8_t, protocol::LongPayloadSize> p) {
    return build(p);
}

CommandFrame CommandFrame::build(std::span<const std::uint8_t> payload) {
    CommandFrame f;
    std::copy(payload.begin(), payload.end(), f.m_bytes.begin());
    f.m_bytes[payload.size()] = FrameChecksum(payload);
    f.m_bytes[payload.size() + 1] = protocol::FrameEnd;
    f.m_size = payload.size() + 2;
    return f;
}

std::uint8_t FrameChecksum(std::span<const std::uint8_t> payload) {
    unsigned sum = 0;
    for (const std::uint8_t b : payload) {
        sum += b;
    }
    return static_cast<std::uint8_t>(sum & 0xFFu);
}

CommandFrame KeyCommand(std::uint8_t keyCode, bool pressed) {
    const std::array<std::uint8_t, protocol::ShortPayloadSize> p{
        'K', 'E', 'Y', 'I', 'N', keyCode, static_cast<std::uint8_t>(pressed ? '1' : '0')};
    return CommandFrame::shortForm(p);
}

CommandFrame PollCommand() {
    const std::array<std::uint8_t, protocol::ShortPayloadSize> p{'R', 'E', 'M', 'O', 'T', 'E', '1'};
    return CommandFrame::shortForm(p);
}

CommandFrame ReadSettingsCommand() {
    return longCommand<protocol::ReadSettingsTextAt>("SETDATA", std::array<std::uint8_t, 0>{});
}

CommandFrame SaveDateTimeCommand(
    const std::array<std::uint8_t, protocol::DateTimeFieldCount>& yearMonthDayHourMinute) {
    return longCommand<protocol::SaveDateTimeTextAt>("SAVE1", yearMonthDayHourMinute);
}

CommandFrame SaveIdCommand(const std::array<std::uint8_t, protocol::IdLength>& id) {
    return longCommand<protocol::SaveIdTextAt>("SAVE2", id);
}

CommandFrame SaveRfTransmitTimeCommand(std::uint8_t tens, std::uint8_t units) {
    const std::array<std::uint8_t, 2> v{tens, units};
    return longCommand<protocol::SaveTwoBytesTextAt>("SAVE3", v);
}

CommandFrame SaveLaserLevelsCommand(std::uint8_t channel1, std::uint8_t channel2) {
    const std::array<std::uint8_t, 2> v{channel1, channel2};
    return longCommand<protocol::SaveTwoBytesTextAt>("SAVE4", v);
}

CommandFrame SaveLaserVolumesCommand(std::uint8_t channel1, std::uint8_t channel2) {
    const std::array<std::uint8_t, 2> v{channel1, channel2};
    return longCommand<protocol::SaveTwoBytesTextAt>("SAVE5", v);
}

CommandFrame
SaveChannelTimesCommand(const std::array<std::uint8_t, protocol::AlarmChannelCount>& times) {
    return longCommand<protocol::SaveChannelTimesTextAt>("SV6", times);
}

CommandFrame SaveRepeatTimeCommand(std::uint8_t repeatTime) {
    const std::array<std::uint8_t, 2> v{0, repeatTime};
    return longCommand<protocol::SaveTwoBytesTextAt>("SAVE7", v);
}

CommandFrame SaveSwitchesCommand(std::uint8_t switchBits) {
    const std::array<std::uint8_t, 2> v{0, switchBits};
    return longCommand<protocol::SaveTwoBytesTextAt>("SAVE8", v);
}

CommandFrame SaveSerialCommand(const std::array<std::uint8_t, protocol::SerialLength>& serial) {
    return longCommand<protocol::SaveSerialTextAt>("SIRN", serial);
}

} // namespace remote::link
