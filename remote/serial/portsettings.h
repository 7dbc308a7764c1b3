#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace remote::serial {

// The serial line's settings text, "speed,parity,data bits,stop bits" ("9600,n,8,1").
struct PortSettings {
    int speed = 9600;           // bits per second
    char parity = 'n';          // e, o, n, m or s
    int dataBits = 8;           // 4 to 8
    std::string stopBits = "1"; // "1", "1.5" or "2"

    bool operator==(const PortSettings&) const = default;
};

// Reads a settings text. Blanks around each part are ignored and the parity letter may be
// either case. Anything else (missing parts, a speed that is not a positive whole number,
// an unknown parity, data or stop bits) gives nullopt.
std::optional<PortSettings> parsePortSettings(std::string_view text);

// The settings as the line reports them: parity in lower case, no blanks.
std::string portSettingsText(const PortSettings& settings);

} // namespace remote::serial
