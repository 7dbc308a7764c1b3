#include "tests/support/deviceframes.h"

#include <algorithm>
#include <stdexcept>

namespace remote::link::device {

namespace {

std::size_t displayBytesOf(ScreenForm form) {
    return static_cast<std::size_t>(form == ScreenForm::Long ? protocol::LongScreenFrameSize
                                                             : protocol::ShortScreenFrameSize) -
           1;
}

bool containsSyncPatternAfterStart(const std::vector<std::uint8_t>& frame) {
    for (std::size_t i = 1; i + 4 <= frame.size(); ++i) {
        for (const auto& p : {protocol::ScreenSync, protocol::AckSync, protocol::SettingsSync}) {
            if (std::equal(p.begin(), p.end(), frame.begin() + static_cast<std::ptrdiff_t>(i))) {
                return true;
            }
        }
    }
    return false;
}

void put16(std::array<std::uint8_t, SettingsDataSize>& d, std::size_t at, std::uint16_t v) {
    d[at] = static_cast<std::uint8_t>(v >> 8);
    d[at + 1] = static_cast<std::uint8_t>(v & 0xFF);
}

} // namespace

std::vector<std::uint8_t> RawScreenFrame(std::span<const std::uint8_t> displayBytes) {
    if (displayBytes.size() != displayBytesOf(ScreenForm::Short) &&
        displayBytes.size() != displayBytesOf(ScreenForm::Long)) {
        throw std::invalid_argument("a screen frame carries 125 or 131 display bytes");
    }
    std::vector<std::uint8_t> frame(protocol::ScreenSync.size() + displayBytes.size() + 1);
    auto end = std::copy(protocol::ScreenSync.begin(), protocol::ScreenSync.end(), frame.begin());
    end = std::copy(displayBytes.begin(), displayBytes.end(), end);
    *end = protocol::FrameEnd;
    return frame;
}

std::vector<std::uint8_t> ScreenFrame(ScreenForm form, std::span<const std::string> fields) {
    if (fields.empty()) {
        throw std::invalid_argument("a screen frame needs at least field 0");
    }
    std::string body;
    for (std::size_t i = 1; i < fields.size(); ++i) {
        if (fields[i].empty() || fields[i].find(',') != std::string::npos) {
            throw std::invalid_argument("screen field " + std::to_string(i) +
                                        " is empty or holds a comma");
        }
        body += ',';
        body += fields[i];
    }
    if (fields[0].find(',') != std::string::npos) {
        throw std::invalid_argument("screen field 0 holds a comma");
    }
    const std::size_t size = displayBytesOf(form);
    if (fields[0].size() + body.size() > size) {
        throw std::invalid_argument("screen fields do not fit the frame");
    }
    std::string display = fields[0];
    display.append(size - fields[0].size() - body.size(), ' ');
    display += body;

    // A long frame must not look like a short one that ended early.
    const std::size_t shortEnd = displayBytesOf(ScreenForm::Short);
    if (form == ScreenForm::Long && static_cast<std::uint8_t>(display[shortEnd]) == 13) {
        throw std::invalid_argument("a long screen frame cannot hold 13 at byte 125");
    }
    std::vector<std::uint8_t> bytes(display.begin(), display.end());
    std::vector<std::uint8_t> frame = RawScreenFrame(bytes);
    if (containsSyncPatternAfterStart(frame)) {
        throw std::invalid_argument("screen fields hold a sync pattern");
    }
    return frame;
}

std::array<std::uint8_t, SettingsDataSize> EncodeSettings(const Settings& s) {
    std::array<std::uint8_t, SettingsDataSize> d{};
    d[0] = s.yearsAfter2000;
    d[1] = s.month;
    d[2] = s.day;
    d[3] = s.hour;
    d[4] = s.minute;
    d[5] = s.second;
    std::copy(s.id.begin(), s.id.end(), d.begin() + 6);
    d[12] = s.rfTransmitTime;
    put16(d, 13, s.laserQz1);
    put16(d, 15, s.laserQz2);
    d[17] = s.laserQ1;
    d[18] = s.laserQ2;
    d[19] = s.laserVolume1;
    d[20] = s.laserVolume2;
    std::copy(s.channelTimes.begin(), s.channelTimes.begin() + 4, d.begin() + 21);
    d[25] = s.repeatTime;
    d[26] = s.switchBits;
    std::copy(s.serial.begin(), s.serial.end(), d.begin() + 27);
    std::copy(s.channelTimes.begin() + 4, s.channelTimes.end(), d.begin() + 35);
    put16(d, 40, s.laserQs1);
    put16(d, 42, s.laserQs2);
    std::copy(s.reserved.begin(), s.reserved.end(), d.begin() + 44);
    return d;
}

std::vector<std::uint8_t> SettingsFrame(std::span<const std::uint8_t, SettingsDataSize> data) {
    unsigned sum = 0;
    for (const std::uint8_t b : data) {
        sum += b;
    }
    std::vector<std::uint8_t> frame(protocol::SettingsSync.size() + data.size() + 3);
    auto end =
        std::copy(protocol::SettingsSync.begin(), protocol::SettingsSync.end(), frame.begin());
    end = std::copy(data.begin(), data.end(), end);
    *end++ = static_cast<std::uint8_t>(sum >> 8);
    *end++ = static_cast<std::uint8_t>(sum & 0xFF);
    *end = protocol::FrameEnd;
    return frame;
}

std::vector<std::uint8_t> SettingsFrame(const Settings& settings) {
    const auto data = EncodeSettings(settings);
    return SettingsFrame(data);
}

std::array<std::uint8_t, 3> AlarmCode(int channel) {
    for (const auto& code : protocol::AlarmCodes) {
        if (code.channel == channel) {
            return code.bytes;
        }
    }
    throw std::out_of_range("no alarm code for channel " + std::to_string(channel));
}

std::array<std::uint8_t, 4> Acknowledgement() {
    return protocol::AckSync;
}

} // namespace remote::link::device
