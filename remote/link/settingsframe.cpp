#include "remote/link/settingsframe.h"

#include "common/numbertext.h"

namespace remote::link {

namespace {

// Byte positions inside a settings frame.
enum Position : std::size_t {
    Year = 0,
    Month = 1, // then day, hour, minute, second
    Id = 6,
    RfTransmitTime = 12,
    LaserQz1 = 13,
    LaserQz2 = 15,
    LaserQ1 = 17,
    LaserQ2 = 18,
    LaserVolume1 = 19,
    LaserVolume2 = 20,
    ChannelTimesLow = 21, // channels 0 to 3
    RepeatTime = 25,
    SwitchBits = 26,
    Serial = 27,
    ChannelTimesHigh = 35, // channels 4 to 8
    LaserQs1 = 40,
    LaserQs2 = 42,
    ChecksummedBytes = 48,
};

unsigned word(std::span<const std::uint8_t, protocol::SettingsFrameSize> f, std::size_t at) {
    return unsigned{f[at]} * 256u + f[at + 1];
}

std::string chars(std::span<const std::uint8_t, protocol::SettingsFrameSize> f, std::size_t at,
                  std::size_t count) {
    return std::string(f.begin() + static_cast<std::ptrdiff_t>(at),
                       f.begin() + static_cast<std::ptrdiff_t>(at + count));
}

} // namespace

bool SettingsChecksumGood(std::span<const std::uint8_t, protocol::SettingsFrameSize> frame) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < ChecksummedBytes; ++i) {
        sum += frame[i];
    }
    return sum == word(frame, protocol::SettingsChecksumHigh);
}

std::string HundredthsText(unsigned hundredths) {
    const unsigned fraction = hundredths % 100;
    std::string s = std::to_string(hundredths / 100);
    s += '.';
    s += static_cast<char>('0' + fraction / 10);
    s += static_cast<char>('0' + fraction % 10);
    return s;
}

std::optional<SettingsReadout>
ReadSettingsFrame(std::span<const std::uint8_t, protocol::SettingsFrameSize> f) {
    if (!SettingsChecksumGood(f)) {
        return std::nullopt;
    }
    SettingsReadout r;
    r.TTIME[0] = common::SignedNumberText(protocol::SettingsYearBase + f[Year]);
    for (std::size_t i = 1; i < r.TTIME.size(); ++i) {
        r.TTIME[i] = std::to_string(f[Month + i - 1]);
    }
    r.SETID = "QND-" + chars(f, Id, protocol::IdLength);
    r.RFXTIME = std::to_string(f[RfTransmitTime]);
    r.LASERQZ1 = HundredthsText(word(f, LaserQz1));
    r.LASERQZ2 = HundredthsText(word(f, LaserQz2));
    r.LASERQS1 = HundredthsText(word(f, LaserQs1));
    r.LASERQS2 = HundredthsText(word(f, LaserQs2));
    r.LASERQ1 = HundredthsText(f[LaserQ1]);
    r.LASERQ2 = HundredthsText(f[LaserQ2]);
    r.LASERVV1 = std::to_string(f[LaserVolume1]);
    r.LASERVV2 = std::to_string(f[LaserVolume2]);
    for (std::size_t i = 0; i < 4; ++i) {
        r.STIMEV[i] = std::to_string(f[ChannelTimesLow + i]);
    }
    for (std::size_t i = 4; i < r.STIMEV.size(); ++i) {
        r.STIMEV[i] = std::to_string(f[ChannelTimesHigh + i - 4]);
    }
    r.FREQV = std::to_string(f[RepeatTime]);
    r.switchBits = f[SwitchBits];
    r.SERIAL = chars(f, Serial, protocol::SerialLength);
    return r;
}

} // namespace remote::link
