#include "remote/serial/portsettings.h"

#include <charconv>
#include <vector>

namespace remote::serial {

namespace {

std::string_view trimmed(std::string_view part) {
    while (!part.empty() && part.front() == ' ') {
        part.remove_prefix(1);
    }
    while (!part.empty() && part.back() == ' ') {
        part.remove_suffix(1);
    }
    return part;
}

std::optional<int> wholeNumber(std::string_view digits) {
    int value = 0;
    const auto* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, value);
    if (digits.empty() || ec != std::errc() || ptr != end || digits.front() == '-') {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<PortSettings> parsePortSettings(std::string_view text) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(trimmed(text.substr(start, comma - start)));
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    if (parts.size() != 4) {
        return std::nullopt;
    }

    PortSettings settings;
    const auto speed = wholeNumber(parts[0]);
    if (!speed || *speed <= 0) {
        return std::nullopt;
    }
    settings.speed = *speed;

    if (parts[1].size() != 1) {
        return std::nullopt;
    }
    const char parity = static_cast<char>(parts[1][0] | 0x20); // lower case
    if (std::string_view("eonms").find(parity) == std::string_view::npos) {
        return std::nullopt;
    }
    settings.parity = parity;

    const auto dataBits = wholeNumber(parts[2]);
    if (!dataBits || *dataBits < 4 || *dataBits > 8) {
        return std::nullopt;
    }
    settings.dataBits = *dataBits;

    if (parts[3] != "1" && parts[3] != "1.5" && parts[3] != "2") {
        return std::nullopt;
    }
    settings.stopBits = std::string(parts[3]);
    return settings;
}

std::string portSettingsText(const PortSettings& settings) {
    return std::to_string(settings.speed) + ',' + settings.parity + ',' +
           std::to_string(settings.dataBits) + ',' + settings.stopBits;
}

} // namespace remote::serial
