#include "detector.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>

namespace detectorsim {

namespace {

using namespace std::chrono;

constexpr std::array<std::string_view, 6> MenuItems = {"Scan",       "Volume", "Squelch",
                                                       "Alarm test", "Clock",  "Exit"};
constexpr std::size_t MaxNoise = 4096; // bytes per request
constexpr long LowestKhz = 30000;      // sweep range
constexpr long HighestKhz = 3000000;
constexpr long SweepStepKhz = 7250; // per screen frame while scanning
constexpr int FindChance = 30;      // one screen frame in this many finds a signal
constexpr int FindPolls = 8;        // screen frames a find stays shown
constexpr int BarLevels = 16;
constexpr Byte BarEmpty = 24, BarFull = 25; // glyph codes of the level bar

std::string fixedLine(std::string text) {
    text.resize(DisplayWidth, ' ');
    return text;
}

std::string format(const char* pattern, auto... values) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

std::string frequencyText(long khz) {
    const double mhz = static_cast<double>(khz) / 1000.0;
    return mhz < 1000.0 ? format("%6.2f", mhz) : format("%6.1f", mhz);
}

bool printable(std::span<const Byte> text) {
    return std::all_of(text.begin(), text.end(), [](Byte b) { return b >= 32 && b < 127; });
}

std::vector<std::string> words(std::string_view line) {
    std::istringstream in{std::string(line)};
    std::vector<std::string> out;
    for (std::string w; in >> w;) {
        out.push_back(w);
    }
    return out;
}

bool parseNumber(const std::string& text, long& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return true;
}

constexpr std::string_view HelpText =
    "alarm CHANNEL|CODE [frame]  raise alarm channel 0-8 (or send a code such as FB2);\n"
    "                            with 'frame' it rides inside the next frame\n"
    "alarms PER-MINUTE           raise random alarms on their own (0 stops)\n"
    "fault checksum              the next settings frame has a wrong checksum\n"
    "fault noise [COUNT]         write COUNT noise bytes now (default 16)\n"
    "fault cut                   the next frame is cut off half way\n"
    "scan on|off, hold, key K    operate the detector's own keys\n"
    "status                      settings, display and counters\n"
    "quit                        end the simulator\n";

} // namespace

Detector::Detector(DetectorOptions options)
    : m_options(std::move(options))
    , m_random(m_options.seed) {
    m_stored.id = {'1', '2', '3', '4', '5', '6'};
    m_stored.serial = {'0', '0', '0', '1', '2', '3', '4', '5'};
    m_stored.rfTime = 30;
    m_stored.laserQz = {312, 298};
    m_stored.laserQ = {50, 50};
    m_stored.laserVolume = {60, 60};
    m_stored.channelTime = {14, 30, 60, 60, 5, 5, 10, 30, 30};
    m_stored.repeatTime = 24;
    m_stored.switches = 0b0101;
    m_stored.laserQs = {1250, 1187};
}

SettingsRecord Detector::settings() const {
    SettingsRecord r = m_stored;
    const auto now = floor<seconds>(m_options.wallClock()) + m_clockOffset;
    const auto today = floor<days>(now);
    const year_month_day date(today);
    const hh_mm_ss time(now - today);
    r.year = std::clamp(static_cast<int>(date.year()) - 2000, 0, 255);
    r.month = static_cast<int>(static_cast<unsigned>(date.month()));
    r.day = static_cast<int>(static_cast<unsigned>(date.day()));
    r.hour = static_cast<int>(time.hours().count());
    r.minute = static_cast<int>(time.minutes().count());
    r.second = static_cast<int>(time.seconds().count());
    return r;
}

ScreenContent Detector::screen() const {
    ScreenContent s;
    const SettingsRecord r = settings();
    const std::string levels = format("Vol %02d  Sql %02d", m_volume, m_squelch);
    if (m_scanning) {
        s.scanning = true;
        s.lines[0] = std::string(SpecialLineMarker);
        s.lines[1].assign(DisplayWidth, static_cast<char>(BarEmpty));
        std::fill_n(s.lines[1].begin(), std::min(m_signalLevel, BarLevels),
                    static_cast<char>(BarFull));
        const std::string mhz = frequencyText(m_frequencyKhz);
        s.lines[2] = m_foundPolls > 0 ? "CC Found! " + mhz
                     : m_holding      ? "Hold      " + mhz
                                      : "Sweep     " + mhz;
        s.lines[3] = levels;
        s.lines[4] =
            format("%02d-%02d   %02d:%02d:%02d", r.month, r.day, r.hour, r.minute, r.second);
    } else if (m_inMenu) {
        const int first = std::max(0, m_menuItem - static_cast<int>(DisplayLines) + 1);
        for (std::size_t i = 0; i < DisplayLines; ++i) {
            const std::size_t item = static_cast<std::size_t>(first) + i;
            s.lines[i] = item < MenuItems.size()
                             ? format("%zu.", item + 1) + std::string(MenuItems[item])
                             : std::string();
        }
        s.highlighted = m_menuItem - first;
    } else {
        s.lines[0] = "QND-" + std::string(r.id.begin(), r.id.end()) + " Ready";
        s.lines[1] = levels;
        s.lines[2] = format("LQ1 %02d  LQ2 %02d", r.laserQ[0], r.laserQ[1]);
        s.lines[3] = format("RPT %02dh  RF %02ds", r.repeatTime, r.rfTime);
        s.lines[4] =
            format("%04d-%02d-%02d %02d:%02d", 2000 + r.year, r.month, r.day, r.hour, r.minute);
        s.highlighted = 0;
    }
    for (auto& line : s.lines) {
        line = fixedLine(line);
    }
    return s;
}

std::vector<Byte> Detector::receive(std::span<const Byte> bytes, Moment now) {
    std::vector<Byte> out;
    if (!bytes.empty()) {
        m_lastByte = now;
    }
    for (const ReadEvent& event : m_reader.feed(bytes)) {
        switch (event.type) {
        case ReadEvent::Type::Command: {
            ++m_counters.commands[event.command.kind];
            if (m_log) {
                m_log->frame(now, "in", commandName(event.command.kind), event.bytes);
            }
            auto reply = handle(event.command, now);
            out.insert(out.end(), reply.begin(), reply.end());
            break;
        }
        case ReadEvent::Type::BadChecksum:
            ++m_counters.badChecksum;
            if (m_log) {
                m_log->frame(now, "bad-checksum", commandName(event.command.kind), event.bytes);
            }
            break;
        case ReadEvent::Type::Stray:
            ++m_counters.strayRuns;
            m_counters.strayBytes += static_cast<long>(event.strayCount);
            if (m_log) {
                m_log->frame(now, "bad-stray", std::to_string(event.strayCount), event.bytes);
            }
            break;
        }
    }
    return out;
}

std::vector<Byte> Detector::idle(Moment now) {
    std::vector<Byte> out;
    if (m_reader.pendingBytes() > 0 && now - m_lastByte >= QuietTime) {
        for (const ReadEvent& event : m_reader.flush()) {
            ++m_counters.strayRuns;
            m_counters.strayBytes += static_cast<long>(event.strayCount);
            if (m_log) {
                m_log->frame(now, "bad-stray", std::to_string(event.strayCount), event.bytes);
            }
        }
    }
    if (m_options.alarmsPerMinute > 0) {
        const auto interval =
            duration_cast<Moment::duration>(duration<double>(60.0 / m_options.alarmsPerMinute));
        if (m_nextAlarm == Moment{}) {
            m_nextAlarm = now + interval;
        } else if (now >= m_nextAlarm) {
            const std::size_t channel = m_random() % AlarmChannels;
            raiseAlarm(channel, m_random() % 3 == 0, out, now);
            m_nextAlarm = now + interval;
        }
    }
    return out;
}

void Detector::emit(std::vector<Byte>& out, std::string_view what, std::vector<Byte> frame,
                    Moment now) {
    if (m_cutFrames > 0 && frame.size() > 8) {
        --m_cutFrames;
        frame.resize(frame.size() / 2);
        if (m_log) {
            m_log->frame(now, "out", "cut-" + std::string(what), frame);
        }
    } else if (m_log) {
        m_log->frame(now, "out", what, frame);
    }
    ++m_counters.framesOut;
    out.insert(out.end(), frame.begin(), frame.end());
}

std::string Detector::takeHiddenCodes() {
    std::string codes;
    while (!m_codesInFrame.empty() && codes.size() + 3 <= 18) {
        codes += AlarmCodes[m_codesInFrame.front()];
        m_codesInFrame.pop_front();
    }
    return codes;
}

void Detector::advanceScan() {
    if (m_foundPolls > 0) {
        --m_foundPolls;
        return; // the sweep stays on the find while it is shown
    }
    m_frequencyKhz += SweepStepKhz;
    if (m_frequencyKhz > HighestKhz) {
        m_frequencyKhz = LowestKhz;
    }
    m_signalLevel = static_cast<int>(m_random() % (BarLevels / 2));
    if (m_random() % FindChance == 0) {
        m_foundPolls = FindPolls;
        m_signalLevel = BarLevels - static_cast<int>(m_random() % 3);
    }
}

std::vector<Byte> Detector::handle(const Command& command, Moment now) {
    std::vector<Byte> out;
    switch (command.kind) {
    case CommandKind::Key:
        if (command.values[1] == '0' || command.values[1] == '1') {
            pressKey(command.values[0], command.values[1] == '1');
        } else if (m_log) {
            m_log->note(now, "key frame with an unknown state ignored");
        }
        break;
    case CommandKind::Poll: {
        if (m_scanning && !m_holding) {
            advanceScan();
        }
        ScreenContent s = screen();
        s.hidden = takeHiddenCodes();
        emit(out, m_scanning ? "screen-long" : "screen-short", screenFrame(s), now);
        break;
    }
    case CommandKind::ReadSettings: {
        // The laser readings wander a little, as live readings do.
        for (auto& q : m_stored.laserQz) {
            q = static_cast<std::uint16_t>(std::clamp<int>(q + int(m_random() % 7) - 3, 0, 9999));
        }
        SettingsRecord r = settings();
        if (!m_codesInFrame.empty()) {
            // The four bytes behind the readings are not shown: room for one code.
            const std::string_view code = AlarmCodes[m_codesInFrame.front()];
            m_codesInFrame.pop_front();
            std::copy_n(code.begin(), std::min(code.size(), r.spare.size()), r.spare.begin());
        }
        const bool corrupt = m_badChecksums > 0;
        if (corrupt) {
            --m_badChecksums;
        }
        emit(out, corrupt ? "settings-bad-checksum" : "settings", settingsFrame(r, corrupt), now);
        break;
    }
    default:
        if (applySave(command)) {
            emit(out, "ack", ackFrame(), now);
        } else {
            ++m_counters.refusedSaves;
            if (m_log) {
                m_log->note(now, "save refused: a value is out of range");
            }
        }
        break;
    }
    return out;
}

bool Detector::applySave(const Command& command) {
    const auto& v = command.values;
    auto within = [&v](int limit) {
        return std::all_of(v.begin(), v.end(), [limit](Byte b) { return b <= limit; });
    };
    switch (command.kind) {
    case CommandKind::SaveClock: {
        const year_month_day date{year(2000 + v[0]), month(v[1]), day(v[2])};
        if (!date.ok() || v[3] > 23 || v[4] > 59) {
            return false;
        }
        const auto target = sys_days(date) + hours(v[3]) + minutes(v[4]);
        m_clockOffset = target - floor<seconds>(m_options.wallClock());
        return true;
    }
    case CommandKind::SaveId:
        if (!printable(v)) {
            return false;
        }
        std::copy(v.begin(), v.end(), m_stored.id.begin());
        return true;
    case CommandKind::SaveRfTime: {
        const int time = v[0] * 10 + v[1];
        if (v[1] > 9 || time > MaxTransmitTime) {
            return false;
        }
        m_stored.rfTime = static_cast<Byte>(time);
        return true;
    }
    case CommandKind::SaveLaserLevels:
        if (!within(MaxLaserValue)) {
            return false;
        }
        std::copy(v.begin(), v.end(), m_stored.laserQ.begin());
        return true;
    case CommandKind::SaveLaserVolumes:
        if (!within(MaxLaserValue)) {
            return false;
        }
        std::copy(v.begin(), v.end(), m_stored.laserVolume.begin());
        return true;
    case CommandKind::SaveChannelTimes:
        if (!within(MaxTransmitTime)) {
            return false;
        }
        std::copy(v.begin(), v.end(), m_stored.channelTime.begin());
        return true;
    case CommandKind::SaveRepeatTime:
        if (!within(MaxRepeatTime)) {
            return false;
        }
        m_stored.repeatTime = v[0];
        return true;
    case CommandKind::SaveSwitches:
        if (!within(MaxSwitchBits)) {
            return false;
        }
        m_stored.switches = v[0];
        return true;
    case CommandKind::SaveSerial:
        if (!printable(v)) {
            return false;
        }
        std::copy(v.begin(), v.end(), m_stored.serial.begin());
        return true;
    default:
        return false;
    }
}

void Detector::pressKey(Byte key, bool down) {
    switch (key) {
    case '!':
    case '#':
    case '$':
    case '%': {
        // The arrows act on every click, whatever state the frame carries.
        int& level = (key == '!' || key == '#') ? m_volume : m_squelch;
        level = std::clamp(level + ((key == '!' || key == '$') ? 1 : -1), 0, MaxLevel);
        return;
    }
    default:
        break;
    }
    if (!down) {
        return;
    }
    switch (key) {
    case 'S':
        m_scanning = !m_scanning;
        m_holding = false;
        m_inMenu = false;
        break;
    case 'H':
        if (m_scanning) {
            m_holding = !m_holding;
        }
        break;
    case 'M':
        if (!m_scanning) {
            m_inMenu = !m_inMenu;
            m_menuItem = 0;
        }
        break;
    case '<':
        if (m_inMenu) {
            m_menuItem = std::max(0, m_menuItem - 1);
        }
        break;
    case '>':
        if (m_inMenu) {
            m_menuItem = std::min(static_cast<int>(MenuItems.size()) - 1, m_menuItem + 1);
        }
        break;
    case 'E':
        if (!m_inMenu) {
            break;
        }
        if (MenuItems[m_menuItem] == "Scan") {
            m_inMenu = false;
            m_scanning = true;
            m_holding = false;
        } else if (MenuItems[m_menuItem] == "Alarm test") {
            m_codesInFrame.push_back(0);
        } else if (MenuItems[m_menuItem] == "Exit") {
            m_inMenu = false;
        }
        break;
    default:
        break; // the other keys have no effect here
    }
}

void Detector::raiseAlarm(std::size_t channel, bool inFrame, std::vector<Byte>& out, Moment now) {
    if (inFrame) {
        m_codesInFrame.push_back(channel);
        return;
    }
    const std::string_view code = AlarmCodes[channel];
    emit(out, "alarm", std::vector<Byte>(code.begin(), code.end()), now);
}

std::vector<Byte> Detector::console(std::string_view line, Moment now, std::string& reply) {
    std::vector<Byte> out;
    const auto w = words(line);
    reply.clear();
    if (w.empty()) {
        return out;
    }
    const std::string& verb = w[0];
    long n = 0;
    if (verb == "help") {
        reply = HelpText;
    } else if (verb == "alarm" && w.size() >= 2 && w.size() <= 3 &&
               (w.size() == 2 || w[2] == "frame")) {
        const bool inFrame = w.size() == 3;
        if (parseNumber(w[1], n) && n < static_cast<long>(AlarmChannels)) {
            raiseAlarm(static_cast<std::size_t>(n), inFrame, out, now);
            reply = "alarm channel " + w[1] + (inFrame ? " in the next frame" : " sent");
        } else if (w[1].size() == 3 && !inFrame) {
            // Any three characters, so that codes the station must ignore can be tried.
            emit(out, "alarm", std::vector<Byte>(w[1].begin(), w[1].end()), now);
            reply = "code " + w[1] + " sent";
        } else {
            reply = "alarm: give a channel 0 to 8, or a three-character code";
        }
    } else if (verb == "alarms" && w.size() == 2 && parseNumber(w[1], n) && n <= 6000) {
        m_options.alarmsPerMinute = static_cast<double>(n);
        m_nextAlarm = Moment{};
        reply = "alarms per minute: " + w[1];
    } else if (verb == "fault" && w.size() >= 2) {
        if (w[1] == "checksum" && w.size() == 2) {
            ++m_badChecksums;
            reply = "the next settings frame carries a wrong checksum";
        } else if (w[1] == "cut" && w.size() == 2) {
            ++m_cutFrames;
            reply = "the next frame is cut off";
        } else if (w[1] == "noise" && w.size() <= 3 &&
                   (w.size() == 2 || (parseNumber(w[2], n) && n > 0))) {
            const std::size_t count =
                w.size() == 2 ? 16 : std::min(static_cast<std::size_t>(n), MaxNoise);
            std::vector<Byte> noise;
            while (noise.size() < count) {
                // Noise never starts a sync pattern or an alarm code and never ends a frame,
                // so it tests the reader without making up alarms.
                const Byte b = static_cast<Byte>(m_random() & 0xFF);
                if (b != 'S' && b != 'D' && b != 'F' && b != CarriageReturn) {
                    noise.push_back(b);
                }
            }
            emit(out, "noise", std::move(noise), now);
            reply = std::to_string(count) + " noise bytes sent";
        } else {
            reply = "fault: checksum, noise [COUNT] or cut";
        }
    } else if (verb == "scan" && w.size() == 2 && (w[1] == "on" || w[1] == "off")) {
        if ((w[1] == "on") != m_scanning) {
            pressKey('S', true);
        }
        reply = m_scanning ? "scanning" : "scan stopped";
    } else if (verb == "hold" && w.size() == 1) {
        pressKey('H', true);
        reply = m_holding ? "holding" : "not holding";
    } else if (verb == "key" && w.size() == 2 && w[1].size() == 1) {
        pressKey(static_cast<Byte>(w[1][0]), true);
        reply = "key " + w[1];
    } else if (verb == "status" && w.size() == 1) {
        reply = statusText();
    } else if (verb == "quit" && w.size() == 1) {
        m_quit = true;
        reply = "bye";
    } else {
        reply = "unknown command (try help): " + std::string(line);
    }
    return out;
}

std::string Detector::statusText() const {
    const SettingsRecord r = settings();
    std::ostringstream s;
    s << "clock 20"
      << format("%02d-%02d-%02d %02d:%02d:%02d", r.year, r.month, r.day, r.hour, r.minute, r.second)
      << "  id " << std::string(r.id.begin(), r.id.end()) << "  serial "
      << std::string(r.serial.begin(), r.serial.end()) << '\n'
      << "rf " << int(r.rfTime) << "  laser Q " << int(r.laserQ[0]) << ' ' << int(r.laserQ[1])
      << "  volume " << int(r.laserVolume[0]) << ' ' << int(r.laserVolume[1]) << "  repeat "
      << int(r.repeatTime) << "  switches " << int(r.switches) << "\nchannel times";
    for (Byte t : r.channelTime) {
        s << ' ' << int(t);
    }
    s << "\ndisplay:";
    const ScreenContent screenNow = screen();
    for (std::size_t i = 0; i < DisplayLines; ++i) {
        std::string line = screenNow.lines[i];
        std::replace_if(
            line.begin(), line.end(), [](char c) { return c >= 0 && c < 32; }, '#');
        s << "\n  " << (static_cast<int>(i) == screenNow.highlighted ? '>' : ' ') << '[' << line
          << ']';
    }
    int commands = 0;
    for (const auto& [kind, count] : m_counters.commands) {
        commands += count;
    }
    s << "\ncommands " << commands << "  bad checksums " << m_counters.badChecksum
      << "  stray runs " << m_counters.strayRuns << " (" << m_counters.strayBytes
      << " bytes)  refused saves " << m_counters.refusedSaves << "  frames out "
      << m_counters.framesOut;
    return s.str();
}

} // namespace detectorsim
