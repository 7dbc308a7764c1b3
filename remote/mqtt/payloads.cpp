#include "remote/mqtt/payloads.h"

#include <cstdio>

namespace remote::mqtt {

namespace {

std::string jsonString(const std::string& text, bool latin1) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else if (byte < 0x80 || !latin1) {
            out += c;
        } else {
            out += static_cast<char>(0xc0 | byte >> 6);
            out += static_cast<char>(0x80 | (byte & 0x3f));
        }
    }
    out += '"';
    return out;
}

} // namespace

std::string jsonLatin1(const std::string& text) {
    return jsonString(text, true);
}

std::string jsonUtf8(const std::string& text) {
    return jsonString(text, false);
}

namespace {

std::string jsonOptional(const std::optional<std::string>& text) {
    return text ? jsonLatin1(*text) : std::string("null");
}

} // namespace

std::string alarmPayload(std::int64_t seq, const history::AlarmRecord& alarm) {
    return "{\"seq\":" + std::to_string(seq) + ",\"channel\":" + std::to_string(alarm.channel) +
           ",\"label\":" + jsonLatin1(alarm.label) +
           ",\"time\":" + jsonLatin1(history::isoLocalTime(alarm.utcMs, alarm.utcOffsetSeconds)) +
           ",\"detector_clock\":" + jsonOptional(alarm.detectorClock) + "}";
}

std::string statusPayload(const StationStatus& status, bool online, std::uint64_t dropped) {
    return std::string("{\"state\":") + (online ? "\"online\"" : "\"offline\"") +
           ",\"link\":" + jsonUtf8(status.link) + ",\"port\":" + jsonUtf8(status.port) +
           ",\"detector_id\":" + jsonOptional(status.detectorId) +
           ",\"serial\":" + jsonOptional(status.serial) +
           ",\"dropped\":" + std::to_string(dropped) + "}";
}

std::string settingsPayload(const SettingsSnapshot& settings) {
    std::string out = "{";
    for (const auto& [name, value] : settings) {
        if (out.size() > 1) {
            out += ',';
        }
        out += jsonLatin1(name) + ':' + jsonLatin1(value);
    }
    return out + '}';
}

} // namespace remote::mqtt
