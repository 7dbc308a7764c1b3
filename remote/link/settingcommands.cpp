#include "remote/link/settingcommands.h"

#include "common/numbertext.h"
#include "remote/link/monitorview.h"
#include "remote/link/protocol.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <string_view>

namespace remote::link {

namespace {

using Input = MonitorView::Input;

struct KeyEntry {
    int index;
    char key;
};

constexpr std::array<KeyEntry, 22> KeypadKeys{{
    {1, 'P'},  {2, 'W'},  {3, 'G'},  {4, 'M'},  {5, 'L'},  {6, '1'},  {7, '2'},  {8, '3'},
    {9, '4'},  {10, '5'}, {11, '6'}, {12, '7'}, {13, '8'}, {14, '9'}, {15, '.'}, {16, '0'},
    {17, 'E'}, {18, 'S'}, {19, 'H'}, {24, '<'}, {25, '>'}, {26, 'F'},
}};

constexpr std::array<KeyEntry, 4> ArrowKeys{{{20, '!'}, {21, '#'}, {22, '$'}, {23, '%'}}};

template <std::size_t N>
std::optional<std::uint8_t> lookUp(const std::array<KeyEntry, N>& table, int index) {
    const auto it = std::find_if(table.begin(), table.end(),
                                 [index](const KeyEntry& e) { return e.index == index; });
    if (it == table.end()) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(it->key);
}

constexpr std::array<const char*, protocol::DateTimeFieldCount> DateTimeFieldNames{
    "Year", "Month", "Day", "Hour", "Minute"};

// A channel as a refusal names it: its label without the trailing " :".
std::string channelName(std::size_t channel) {
    std::string_view label = protocol::AlarmChannelLabels[channel];
    constexpr std::string_view separator = " :";
    if (label.ends_with(separator)) {
        label.remove_suffix(separator.size());
    }
    return std::string(label);
}

SaveRefusal refusal(const std::string& field, const std::string& range) {
    return {field + " must be " + range + "; the setting was not sent."};
}

// The number of a field as one byte, for fields with an upper limit: larger numbers are sent
// as the limit; below 0 there is no byte to send.
std::optional<std::uint8_t> limitedByte(double number, int limit) {
    const std::optional<std::int16_t> v =
        common::CInt(std::min(number, static_cast<double>(limit)));
    if (!v || *v < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*v);
}

// The number of a field as one byte, for fields without a limit of their own.
std::optional<std::uint8_t> plainByte(double number) {
    const std::optional<std::int16_t> v = common::CInt(number);
    if (!v || *v < 0 || *v > 255) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*v);
}

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> singleByteCharacters(std::string_view text) {
    const std::vector<char32_t> chars = DecodeUtf8(text);
    if (chars.size() != N) {
        return std::nullopt;
    }
    std::array<std::uint8_t, N> bytes{};
    for (std::size_t i = 0; i < N; ++i) {
        if (chars[i] > 0xFF) {
            return std::nullopt;
        }
        bytes[i] = static_cast<std::uint8_t>(chars[i]);
    }
    return bytes;
}

using Result = std::variant<CommandFrame, SaveRefusal>;

Result dateTime(const MonitorView& view) {
    std::array<std::uint8_t, protocol::DateTimeFieldCount> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto v = plainByte(common::Val(view.inputText(Input::txtSet1, static_cast<int>(i))));
        if (!v) {
            return refusal(DateTimeFieldNames[i], "a number from 0 to 255");
        }
        values[i] = *v;
    }
    return SaveDateTimeCommand(values);
}

Result id(const MonitorView& view) {
    const auto chars = singleByteCharacters<protocol::IdLength>(view.inputText(Input::IDIN, 0));
    if (!chars) {
        return refusal("ID Number", "6 characters with codes from 0 to 255");
    }
    return SaveIdCommand(*chars);
}

Result serial(const MonitorView& view) {
    const auto chars =
        singleByteCharacters<protocol::SerialLength>(view.inputText(Input::SERIALIN, 0));
    if (!chars) {
        return refusal("Serial Number", "8 characters with codes from 0 to 255");
    }
    return SaveSerialCommand(*chars);
}

Result rfTransmitTime(const MonitorView& view) {
    const auto t =
        limitedByte(common::Val(view.inputText(Input::XTIME, 0)), protocol::MaxTransmitTime);
    if (!t) {
        return refusal("RF X-MIT TIME", "a number from 0 to 60");
    }
    return SaveRfTransmitTimeCommand(static_cast<std::uint8_t>(*t / 10),
                                     static_cast<std::uint8_t>(*t % 10));
}

Result laserLevels(const MonitorView& view) {
    // Entered as a fraction (0.5), sent as hundredths (50).
    std::array<std::uint8_t, 2> levels{};
    constexpr std::array<Input, 2> fields{Input::LASERCH1, Input::LASERCH2};
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const auto v = limitedByte(common::Val(view.inputText(fields[i], 0)) * 100.0,
                                   protocol::MaxLaserSetting);
        if (!v) {
            return refusal(i == 0 ? "Laser Q CH1" : "Laser Q CH2", "a number from 0 to 0.99");
        }
        levels[i] = *v;
    }
    return SaveLaserLevelsCommand(levels[0], levels[1]);
}

Result laserVolumes(const MonitorView& view) {
    std::array<std::uint8_t, 2> volumes{};
    constexpr std::array<Input, 2> fields{Input::LASERV1, Input::LASERV2};
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        const auto v =
            limitedByte(common::Val(view.inputText(fields[i], 0)), protocol::MaxLaserSetting);
        if (!v) {
            return refusal(i == 0 ? "Laser Volume CH1" : "Laser Volume CH2",
                           "a number from 0 to 99");
        }
        volumes[i] = *v;
    }
    return SaveLaserVolumesCommand(volumes[0], volumes[1]);
}

Result channelTimes(const MonitorView& view) {
    std::array<std::uint8_t, protocol::AlarmChannelCount> times{};
    for (std::size_t i = 0; i < times.size(); ++i) {
        const auto v =
            limitedByte(common::Val(view.inputText(Input::STTIME, static_cast<int>(i) + 1)),
                        protocol::MaxTransmitTime);
        if (!v) {
            return refusal("X-Mit Time of " + channelName(i), "a number from 0 to 60");
        }
        times[i] = *v;
    }
    return SaveChannelTimesCommand(times);
}

Result repeatTime(const MonitorView& view) {
    const auto v =
        limitedByte(common::Val(view.inputText(Input::FREQSET, 0)), protocol::MaxRepeatTime);
    if (!v) {
        return refusal("RPT Time", "a number from 0 to 24");
    }
    return SaveRepeatTimeCommand(*v);
}

Result switches(const MonitorView& view) {
    std::uint8_t bits = 0;
    for (int k = 0; k < protocol::SwitchCount; ++k) {
        if (view.switchValue(k)) {
            bits = static_cast<std::uint8_t>(bits | (1u << k));
        }
    }
    return SaveSwitchesCommand(bits);
}

} // namespace

std::optional<std::uint8_t> KeypadKey(int index) {
    return lookUp(KeypadKeys, index);
}
std::optional<std::uint8_t> ArrowKey(int index) {
    return lookUp(ArrowKeys, index);
}

std::vector<char32_t> DecodeUtf8(std::string_view text) {
    std::vector<char32_t> out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if (lead < 0x80) {
            length = 1;
            cp = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            cp = lead & 0x1Fu;
            min = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            cp = lead & 0x0Fu;
            min = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            cp = lead & 0x07u;
            min = 0x10000;
        }
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            valid = (c & 0xC0u) == 0x80u;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        if (valid && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) {
            valid = false;
        }
        if (valid) {
            out.push_back(cp);
            i += length;
        } else {
            out.push_back(InvalidCharacter);
            ++i;
        }
    }
    return out;
}

std::size_t CharacterCount(std::string_view text) {
    return DecodeUtf8(text).size();
}

std::variant<CommandFrame, SaveRefusal> BuildSettingCommand(int pendingSave,
                                                            const MonitorView& view) {
    switch (pendingSave) {
    case 1:
        return dateTime(view);
    case 2:
        return id(view);
    case 3:
        return rfTransmitTime(view);
    case 4:
        return laserLevels(view);
    case 5:
        return laserVolumes(view);
    case 6:
        return channelTimes(view);
    case 7:
        return repeatTime(view);
    case 8:
        return switches(view);
    case 9:
        return serial(view);
    default:
        return SaveRefusal{"No setting command " + std::to_string(pendingSave) + "."};
    }
}

} // namespace remote::link
