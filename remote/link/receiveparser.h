#pragma once

#include "remote/link/alarmchannels.h"
#include "remote/link/protocol.h"

#include <array>
#include <cstdint>
#include <span>

namespace remote::link {

namespace detail {

// The four bytes of a sync pattern as the window holds them: w0 in the top byte.
constexpr std::uint32_t pack(const std::array<std::uint8_t, 4>& p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
           std::uint32_t{p[3]};
}

// Channel raised by "FA" (row 0) or "FB" (row 1) followed by a byte, or -1.
using AlarmRows = std::array<std::array<std::int8_t, 256>, 2>;

constexpr AlarmRows makeAlarmTable() {
    AlarmRows t{};
    for (auto& row : t) {
        row.fill(-1);
    }
    for (const auto& code : protocol::AlarmCodes) {
        t[code.bytes[1] == 'A' ? 0 : 1][code.bytes[2]] = static_cast<std::int8_t>(code.channel);
    }
    return t;
}

} // namespace detail

// The byte-level receive state: counts bytes since the last sync pattern, collects frame
// bytes, watches the last four bytes for sync patterns and the last three for alarm codes,
// and says when a frame has completed. Decoding the frame is the caller's business.
class ReceiveParser {
public:
    enum class Completed : std::uint8_t { None, ShortScreen, LongScreen, Settings };

    // One received byte. Alarm codes raise their channel in `alarms`.
    Completed push(std::uint8_t b, AlarmChannels& alarms) {
        if (++m_rxPos > protocol::RxPosMax) {
            m_rxPos = protocol::RxPosMax;
        }
        m_window = (m_window << 8) | b;

        if (m_window == ScreenPattern) {
            m_rxPos = 0;
            m_frameState = protocol::ScreenFrame;
        } else if (m_window == AckPattern) {
            m_rxPos = 0;
            m_frameState = protocol::Acknowledgement;
        } else if (m_window == SettingsPattern) {
            m_rxPos = 0;
            m_frameState = protocol::SettingsFrame;
        }

        const std::uint32_t prefix = (m_window >> 8) & 0xFFFFu;
        if (prefix == ('F' << 8 | 'A') || prefix == ('F' << 8 | 'B')) {
            const int channel = AlarmTable[(prefix & 0xFFu) == 'A' ? 0 : 1][b];
            if (channel >= 0) {
                alarms.raise(channel);
            }
        }

        switch (m_frameState) {
        case protocol::ScreenFrame:
            if (b == protocol::FrameEnd) {
                if (m_rxPos == protocol::ShortScreenFrameSize) {
                    store(b);
                    return Completed::ShortScreen;
                }
                if (m_rxPos == protocol::LongScreenFrameSize) {
                    store(b);
                    return Completed::LongScreen;
                }
            }
            store(b);
            break;
        case protocol::SettingsFrame:
            if (b == protocol::FrameEnd && m_rxPos == protocol::SettingsFrameSize) {
                store(b);
                m_rxPos = 0;
                return Completed::Settings;
            }
            store(b);
            break;
        case protocol::Acknowledgement:
        case protocol::NoFrame:
            break;
        }
        return Completed::None;
    }

    // Frame decoding starts over: the next byte goes to slot 0.
    void restartCollection() { m_rxPos = 0; }

    int RxPos() const { return m_rxPos; }
    std::span<const std::uint8_t> RxBuf() const { return m_rxBuf; }
    // w0 (oldest) to w3 (newest).
    std::array<std::uint8_t, 4> SyncWindow() const;
    protocol::FrameState FrameState() const { return m_frameState; }

private:
    static constexpr std::uint32_t ScreenPattern = detail::pack(protocol::ScreenSync);
    static constexpr std::uint32_t AckPattern = detail::pack(protocol::AckSync);
    static constexpr std::uint32_t SettingsPattern = detail::pack(protocol::SettingsSync);
    static constexpr detail::AlarmRows AlarmTable = detail::makeAlarmTable();

    // Bytes that complete a sync pattern leave RxPos at 0 and are not stored.
    void store(std::uint8_t b) {
        if (m_rxPos >= 1) {
            m_rxBuf[static_cast<std::size_t>(m_rxPos - 1)] = b;
        }
    }

    std::int32_t m_rxPos = 0;
    std::uint32_t m_window = 0; // w0 in the top byte, w3 in the low byte
    protocol::FrameState m_frameState = protocol::NoFrame;
    std::array<std::uint8_t, protocol::RxBufSlots> m_rxBuf{};
};

} // namespace remote::link
