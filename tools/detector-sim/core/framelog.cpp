#include "framelog.h"

#include <cstdio>

namespace detectorsim {

void FrameLog::stamp(Moment when) {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(when - m_start).count();
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%06lld", static_cast<long long>(us / 1000000),
                  static_cast<long long>(us % 1000000));
    m_out << text;
}

void FrameLog::frame(Moment when, std::string_view direction, std::string_view what,
                     std::span<const Byte> bytes) {
    stamp(when);
    m_out << ' ' << direction << ' ' << what;
    static constexpr char Digits[] = "0123456789ABCDEF";
    for (Byte b : bytes) {
        m_out << ' ' << Digits[b >> 4] << Digits[b & 0xF];
    }
    m_out << '\n';
    m_out.flush();
}

void FrameLog::note(Moment when, std::string_view text) {
    stamp(when);
    m_out << " note " << text << '\n';
    m_out.flush();
}

} // namespace detectorsim
