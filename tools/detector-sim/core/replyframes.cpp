#include "replyframes.h"

#include <algorithm>
#include <numeric>

namespace detectorsim {

namespace {

constexpr std::size_t HiddenRoom = 20; // bytes of the shortest unshown tail
constexpr Byte Comma = ',';

void appendText(std::vector<Byte>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

void appendLine(std::vector<Byte>& out, const std::string& line) {
    out.push_back(Comma);
    for (std::size_t i = 0; i < DisplayWidth; ++i) {
        Byte b = i < line.size() ? static_cast<Byte>(line[i]) : Byte(' ');
        if (b == Comma || b == CarriageReturn) {
            b = ' ';
        }
        out.push_back(b);
    }
}

} // namespace

std::vector<Byte> screenFrame(const ScreenContent& screen) {
    const std::size_t body = screen.scanning ? LongScreenBody : ShortScreenBody;
    std::vector<Byte> out;
    out.reserve(ScreenSync.size() + body);
    appendText(out, ScreenSync);
    out.push_back('D'); // field 0, never shown
    for (std::size_t i = 0; i < DisplayLines; ++i) {
        appendLine(out, screen.lines[i]);
        if (!screen.scanning && static_cast<int>(i) == screen.highlighted) {
            appendLine(out, std::string(HighlightMarker));
        }
    }
    if (!screen.scanning && (screen.highlighted < 0 || screen.highlighted >= int(DisplayLines))) {
        // A short frame always has a sixth field and it lands on the last line; repeating
        // that line keeps the display steady on any reader.
        appendLine(out, screen.lines[DisplayLines - 1]);
    }
    // The unshown tail: a field of blanks that may carry an alarm code.
    out.push_back(Comma);
    const std::size_t end = ScreenSync.size() + body - 1;
    std::string hidden = screen.hidden.substr(0, HiddenRoom);
    const std::size_t blanks = end - out.size() - hidden.size();
    out.insert(out.end(), blanks / 2, ' ');
    appendText(out, hidden);
    out.resize(end, ' ');
    out.push_back(CarriageReturn);
    return out;
}

std::vector<Byte> settingsFrame(const SettingsRecord& r, bool corruptChecksum) {
    std::array<Byte, SettingsBody> b{};
    auto at = [&b](std::size_t pos, int value) { b[pos] = static_cast<Byte>(value); };
    at(0, r.year);
    at(1, r.month);
    at(2, r.day);
    at(3, r.hour);
    at(4, r.minute);
    at(5, r.second);
    std::copy(r.id.begin(), r.id.end(), b.begin() + 6);
    at(12, r.rfTime);
    at(13, r.laserQz[0] >> 8);
    at(14, r.laserQz[0] & 0xFF);
    at(15, r.laserQz[1] >> 8);
    at(16, r.laserQz[1] & 0xFF);
    at(17, r.laserQ[0]);
    at(18, r.laserQ[1]);
    at(19, r.laserVolume[0]);
    at(20, r.laserVolume[1]);
    std::copy_n(r.channelTime.begin(), 4, b.begin() + 21);
    at(25, r.repeatTime);
    at(26, r.switches);
    std::copy(r.serial.begin(), r.serial.end(), b.begin() + 27);
    std::copy_n(r.channelTime.begin() + 4, 5, b.begin() + 35);
    at(40, r.laserQs[0] >> 8);
    at(41, r.laserQs[0] & 0xFF);
    at(42, r.laserQs[1] >> 8);
    at(43, r.laserQs[1] & 0xFF);
    std::copy(r.spare.begin(), r.spare.end(), b.begin() + 44);
    unsigned sum = std::accumulate(b.begin(), b.begin() + SettingsSummed, 0u);
    if (corruptChecksum) {
        sum += 1;
    }
    at(48, (sum >> 8) & 0xFF);
    at(49, sum & 0xFF);
    b[50] = CarriageReturn;

    std::vector<Byte> out;
    out.reserve(SettingsSync.size() + b.size());
    appendText(out, SettingsSync);
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

std::vector<Byte> ackFrame() {
    std::vector<Byte> out;
    appendText(out, AckSync);
    return out;
}

} // namespace detectorsim
