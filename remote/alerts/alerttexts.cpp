#include "remote/alerts/alerttexts.h"

namespace remote::alerts {
namespace {

// Control characters from the line would break a line of the text they stand in.
std::string oneLine(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    return out;
}

std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string clockText(const history::AlarmRecord& alarm) {
    return alarm.detectorClock ? oneLine(*alarm.detectorClock) : std::string("not read yet");
}

} // namespace

std::string channelName(const history::AlarmRecord& alarm) {
    std::string name = oneLine(alarm.label);
    while (!name.empty() && (name.back() == ' ' || name.back() == ':')) {
        name.pop_back();
    }
    return name.empty() ? "Channel " + std::to_string(alarm.channel) : name;
}

std::string localTimeText(std::int64_t utcMs, int utcOffsetSeconds) {
    std::string iso = history::isoLocalTime(utcMs, utcOffsetSeconds);
    // "2026-12-10T05:30:00.123+01:00" -> "2026-12-10 05:30:00"
    iso = iso.substr(0, 19);
    if (iso.size() > 10) {
        iso[10] = ' ';
    }
    return iso;
}

std::string notificationSummary(const history::AlarmRecord& alarm) {
    return "Alarm: " + channelName(alarm);
}

std::string notificationBody(const NotifyRequest& request) {
    const history::AlarmRecord& a = request.latest;
    std::string body = "Local time: " + localTimeText(a.utcMs, a.utcOffsetSeconds) +
                       "\nDetector clock: " + clockText(a);
    if (request.count > 1) {
        body += "\n" + std::to_string(request.count) + " alarms on this channel since " +
                localTimeText(request.firstUtcMs, a.utcOffsetSeconds).substr(11);
    }
    return escaped(body);
}

std::string lastAlarmText(const history::AlarmRecord& alarm) {
    return "Last alarm: " + channelName(alarm) + " at " +
           localTimeText(alarm.utcMs, alarm.utcOffsetSeconds);
}

std::vector<std::pair<std::string, std::string>> commandEnvironment(const history::AlarmRecord& a) {
    return {{"REMOTE_ALARM_CHANNEL", std::to_string(a.channel)},
            {"REMOTE_ALARM_LABEL", oneLine(a.label)},
            {"REMOTE_ALARM_TIME", history::isoLocalTime(a.utcMs, a.utcOffsetSeconds)},
            {"REMOTE_ALARM_DETECTOR_CLOCK", a.detectorClock ? oneLine(*a.detectorClock) : ""}};
}

std::vector<std::string> journalFields(const history::AlarmRecord& a) {
    std::vector<std::string> fields{
        "MESSAGE=Alarm on channel " + std::to_string(a.channel) + " (" + channelName(a) + ") at " +
            history::isoLocalTime(a.utcMs, a.utcOffsetSeconds) + ", detector clock " + clockText(a),
        "PRIORITY=2",
        "SYSLOG_IDENTIFIER=remote",
        "REMOTE_ALARM_CHANNEL=" + std::to_string(a.channel),
        "REMOTE_ALARM_LABEL=" + oneLine(a.label),
    };
    if (a.detectorClock) {
        fields.push_back("REMOTE_DETECTOR_CLOCK=" + oneLine(*a.detectorClock));
    }
    return fields;
}

std::optional<std::string> commandFailureText(const std::string& program, const CommandEnd& end,
                                              std::int64_t timeLimitMs) {
    const std::string name = "Alarm command " + oneLine(program);
    std::string text;
    switch (end.kind) {
    case CommandEnd::Kind::Exited:
        if (end.exitCode == 0) {
            return std::nullopt;
        }
        text = name + " failed with exit status " + std::to_string(end.exitCode);
        break;
    case CommandEnd::Kind::Crashed:
        text = name + " ended abnormally";
        break;
    case CommandEnd::Kind::TimedOut: {
        const std::int64_t tenths = timeLimitMs / 100;
        text = name + " was killed after " + std::to_string(tenths / 10) +
               (tenths % 10 ? "." + std::to_string(tenths % 10) : "") + " s";
        break;
    }
    case CommandEnd::Kind::NotStarted:
        return name + " could not be started" +
               (end.error.empty() ? std::string() : " (" + oneLine(end.error) + ")");
    }
    if (!end.firstErrorLine.empty()) {
        text += ": " + oneLine(end.firstErrorLine);
    }
    return text;
}

} // namespace remote::alerts
