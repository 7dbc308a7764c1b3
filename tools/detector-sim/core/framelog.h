#pragma once

#include "simprotocol.h"

#include <chrono>
#include <ostream>
#include <span>
#include <string_view>

namespace detectorsim {

using Moment = std::chrono::steady_clock::time_point;

// One line per frame, both ways, stamped with the monotonic clock in seconds since the
// log began:  "12.345678 in poll 52 45 4D 4F 54 45 31 FD 0D"
class FrameLog {
public:
    FrameLog(std::ostream& out, Moment start)
        : m_out(out)
        , m_start(start) {}

    void frame(Moment when, std::string_view direction, std::string_view what,
               std::span<const Byte> bytes);
    void note(Moment when, std::string_view text);

private:
    void stamp(Moment when);

    std::ostream& m_out;
    Moment m_start;
};

} // namespace detectorsim
