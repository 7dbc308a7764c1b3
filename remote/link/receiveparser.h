#pragma once

#include "remote/link/alarmchannels.h"
#include "remote/link/protocol.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace remote::link {

// The byte-level receive state: counts bytes since the last sync pattern, collects frame
// bytes, watches the last four bytes for sync patterns and the last three for alarm codes,
// and says when a frame has completed. A completed frame, of any kind, starts collection
// over: it stays in RxBuf from slot 0 until the next bytes overwrite it. Decoding the frame
// is the caller's business.
class ReceiveParser {
public:
    enum class Completed : std::uint8_t { None, ShortScreen, LongScreen, Settings };

    struct Progress {
        std::size_t used = 0; // bytes read from the front of the span
        Completed completed = Completed::None;
    };

    // Reads bytes in arrival order until one completes a frame, or to the end. Alarm codes
    // raise their channel in `alarms`. The caller decodes a completed frame before it
    // passes the rest.
    Progress push(std::span<const std::uint8_t> bytes, AlarmChannels& alarms);

    int RxPos() const { return m_rxPos; }
    std::span<const std::uint8_t> RxBuf() const { return m_rxBuf; }
    // w0 (oldest) to w3 (newest).
    std::array<std::uint8_t, 4> SyncWindow() const;
    protocol::FrameState FrameState() const { return m_frameState; }

private:
    std::int32_t m_rxPos = 0;
    std::uint32_t m_window = 0; // w0 in the top byte, w3 in the low byte
    protocol::FrameState m_frameState = protocol::NoFrame;
    std::array<std::uint8_t, protocol::RxBufSlots> m_rxBuf{};
};

} // namespace remote::link
