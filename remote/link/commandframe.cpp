#include "remote/link/commandframe.h"

#include <algorithm>
#include <string_view>

namespace remote::link {

namespace {

using LongPayload = std::array<std::uint8_t, protocol::LongPayloadSize>;

// A long payload with the text placed at the given position and the values behind it.
LongPayload longPayload(std::size_t textAt, std::string_view text,
                        std::span<const std::uint8_t> values) {
    LongPayload p{};
    std::copy(text.begin(), text.end(), p.begin() + static_cast<std::ptrdiff_t>(textAt));
    std::copy(values.begin(), values.end(),
              p.begin() + static_cast<std::ptrdiff_t>(textAt + text.size()));
    return p;
}

CommandFrame longCommand(std::size_t textAt, std::string_view text,
                         std::span<const std::uint8_t> values) {
    const LongPayload p = longPayload(textAt, text, values);
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
    return longCommand(5, "SETDATA", {});
}

CommandFrame SaveDateTimeCommand(const std::array<std::uint8_t, 5>& yearMonthDayHourMinute) {
    return longCommand(2, "SAVE1", yearMonthDayHourMinute);
}

CommandFrame SaveIdCommand(const std::array<std::uint8_t, protocol::IdLength>& id) {
    return longCommand(1, "SAVE2", id);
}

CommandFrame SaveRfTransmitTimeCommand(std::uint8_t tens, std::uint8_t units) {
    const std::array<std::uint8_t, 2> v{tens, units};
    return longCommand(5, "SAVE3", v);
}

CommandFrame SaveLaserLevelsCommand(std::uint8_t channel1, std::uint8_t channel2) {
    const std::array<std::uint8_t, 2> v{channel1, channel2};
    return longCommand(5, "SAVE4", v);
}

CommandFrame SaveLaserVolumesCommand(std::uint8_t channel1, std::uint8_t channel2) {
    const std::array<std::uint8_t, 2> v{channel1, channel2};
    return longCommand(5, "SAVE5", v);
}

CommandFrame SaveChannelTimesCommand(const std::array<std::uint8_t, 9>& times) {
    return longCommand(0, "SV6", times);
}

CommandFrame SaveRepeatTimeCommand(std::uint8_t repeatTime) {
    const std::array<std::uint8_t, 2> v{0, repeatTime};
    return longCommand(5, "SAVE7", v);
}

CommandFrame SaveSwitchesCommand(std::uint8_t switchBits) {
    const std::array<std::uint8_t, 2> v{0, switchBits};
    return longCommand(5, "SAVE8", v);
}

CommandFrame SaveSerialCommand(const std::array<std::uint8_t, protocol::SerialLength>& serial) {
    return longCommand(0, "SIRN", serial);
}

} // namespace remote::link
