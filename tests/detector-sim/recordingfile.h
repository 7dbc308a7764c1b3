#pragma once

// Line recordings built byte by byte as the format page lays them out, for the replay
// tests.
#include "simframes.h"

#include <cstdint>
#include <string>

namespace simtest {

inline void putLittle(Bytes& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

inline Bytes recordingHeader(std::uint32_t version = 1) {
    Bytes out = bytesOf("LINEREC\n");
    putLittle(out, version, 4);
    putLittle(out, 0, 4);
    return out;
}

inline void putRecord(Bytes& out, std::uint64_t timeUs, char direction, const Bytes& bytes) {
    putLittle(out, timeUs, 8);
    out.push_back(static_cast<std::uint8_t>(direction));
    putLittle(out, bytes.size(), 4);
    out.insert(out.end(), bytes.begin(), bytes.end());
}

} // namespace simtest
