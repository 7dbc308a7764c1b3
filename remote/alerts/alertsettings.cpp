#include "remote/alerts/alertsettings.h"

#include <algorithm>
#include <cctype>

namespace remote::alerts {
namespace {

std::string_view trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Digits only, at most three of them: nothing a caller passes can overflow.
std::optional<int> smallNumber(std::string_view s) {
    s = trimmed(s);
    if (s.empty() || s.size() > 3) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// Shown as it was read, but short and on one line.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text.substr(0, 40)) {
        out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
    return out + (text.size() > 40 ? "...\"" : "\"");
}

} // namespace

std::optional<bool> parseFlag(std::string_view text) {
    const std::string t = lower(trimmed(text));
    if (t == "true" || t == "1" || t == "yes" || t == "on") {
        return true;
    }
    if (t == "false" || t == "0" || t == "no" || t == "off") {
        return false;
    }
    return std::nullopt;
}

std::optional<int> parseVolume(std::string_view text) {
    const auto value = smallNumber(text);
    if (!value || *value > 100) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::array<bool, kChannelCount>> parseChannels(std::string_view text) {
    std::array<bool, kChannelCount> channels{};
    if (trimmed(text).empty()) {
        return channels;
    }
    while (true) {
        const auto comma = text.find(',');
        const auto number = smallNumber(text.substr(0, comma));
        if (!number || *number >= kChannelCount) {
            return std::nullopt;
        }
        channels[static_cast<std::size_t>(*number)] = true;
        if (comma == std::string_view::npos) {
            return channels;
        }
        text.remove_prefix(comma + 1);
    }
}

std::string channelList(const std::array<bool, kChannelCount>& channels) {
    std::string out;
    for (int c = 0; c < kChannelCount; ++c) {
        if (channels[static_cast<std::size_t>(c)]) {
            out += (out.empty() ? "" : ",") + std::to_string(c);
        }
    }
    return out;
}

ReadResult readAlertSettings(const ReadValue& read) {
    ReadResult result;
    AlertSettings& s = result.settings;
    std::vector<std::string> bad;
    const auto value = [&](const char* name) {
        return read ? read(name) : std::optional<std::string>();
    };
    const auto flag = [&](const char* name, bool& target) {
        if (const auto text = value(name)) {
            if (const auto parsed = parseFlag(*text)) {
                target = *parsed;
            } else {
                bad.push_back(std::string(name) + " " + quoted(*text) + " is not true or false");
            }
        }
    };
    flag(key::notify, s.notify);
    flag(key::tray, s.tray);
    flag(key::sound, s.sound);
    if (const auto text = value(key::volume)) {
        if (const auto parsed = parseVolume(*text)) {
            s.volume = *parsed;
        } else {
            bad.push_back("volume " + quoted(*text) + " is not 0 to 100");
        }
    }
    if (const auto text = value(key::channels)) {
        if (const auto parsed = parseChannels(*text)) {
            s.channels = *parsed;
        } else {
            bad.push_back("channels " + quoted(*text) + " is not a comma list of 0 to 8");
        }
    }
    if (const auto text = value(key::command)) {
        const bool control = std::any_of(
            text->begin(), text->end(), [](char c) { return c == '\0' || c == '\n' || c == '\r'; });
        if (text->size() > kMaxCommandLength || control) {
            bad.push_back("command is longer than " + std::to_string(kMaxCommandLength) +
                          " characters or not one line");
        } else {
            s.command = *text;
        }
    }
    if (!bad.empty()) {
        result.warning = "Alert settings: ";
        for (std::size_t i = 0; i < bad.size(); ++i) {
            result.warning += (i ? "; " : "") + bad[i];
        }
        result.warning += bad.size() == 1 ? " (its default is used)" : " (their defaults are used)";
    }
    return result;
}

std::vector<std::pair<std::string, std::string>> writtenAlertSettings(const AlertSettings& s) {
    const auto flag = [](bool on) { return std::string(on ? "true" : "false"); };
    return {{key::notify, flag(s.notify)},
            {key::tray, flag(s.tray)},
            {key::sound, flag(s.sound)},
            {key::volume, std::to_string(std::clamp(s.volume, 0, 100))},
            {key::channels, channelList(s.channels)},
            {key::command, s.command}};
}

} // namespace remote::alerts
