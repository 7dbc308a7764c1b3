#pragma once

// Reading the detector's frames the way the protocol describes them, written for these
// tests alone so that they check the simulator against the description, not against
// its own code.
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

namespace simtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline std::string textOf(const Bytes& bytes, std::size_t from = 0,
                          std::size_t count = std::string::npos) {
    const std::size_t end =
        std::min(bytes.size(), count == std::string::npos ? bytes.size() : from + count);
    return from >= end ? std::string()
                       : std::string(bytes.begin() + long(from), bytes.begin() + long(end));
}

// The fields of a screen frame's body (after the sync): runs of commas separate them.
inline std::vector<std::string> screenFields(const Bytes& frame) {
    std::vector<std::string> fields(1);
    bool advance = false;
    for (std::size_t i = 4; i < frame.size(); ++i) {
        const char c = static_cast<char>(frame[i]);
        if (c == ',') {
            advance = true;
            continue;
        }
        if (advance) {
            fields.emplace_back();
            advance = false;
        }
        fields.back() += c;
    }
    return fields;
}

inline int count(const Bytes& haystack, std::string_view needle) {
    int n = 0;
    const std::string text(haystack.begin(), haystack.end());
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        ++n;
    }
    return n;
}

// The station's command frame: payload, sum modulo 256, 13.
inline Bytes command(const Bytes& payload) {
    Bytes frame = payload;
    frame.push_back(static_cast<std::uint8_t>(std::accumulate(payload.begin(), payload.end(), 0u)));
    frame.push_back(13);
    return frame;
}

inline Bytes longCommand(std::string_view text, std::size_t textAt, const Bytes& values) {
    Bytes payload(12, 0);
    std::copy(text.begin(), text.end(), payload.begin() + long(textAt));
    std::copy(values.begin(), values.end(), payload.end() - long(values.size()));
    return command(payload);
}

inline const Bytes Poll = command(bytesOf("REMOTE1"));
inline const Bytes ReadSettings = longCommand("SETDATA", 5, {});

inline Bytes key(char k, bool down) {
    return command({'K', 'E', 'Y', 'I', 'N', static_cast<std::uint8_t>(k),
                    static_cast<std::uint8_t>(down ? '1' : '0')});
}

// A settings frame's body value at a position (after the four sync bytes).
inline int at(const Bytes& settings, std::size_t pos) {
    return settings.at(4 + pos);
}

inline bool settingsChecksumGood(const Bytes& settings) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < 48; ++i) {
        sum += settings.at(4 + i);
    }
    return sum == static_cast<unsigned>(at(settings, 48) * 256 + at(settings, 49));
}

} // namespace simtest
