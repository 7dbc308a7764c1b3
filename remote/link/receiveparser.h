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
//
// It also counts the bytes it drops: line noise, as far as the stream shows it. A byte is
// kept when it is part of a sync pattern, an alarm code or a frame that completes; it is
// dropped when it leaves the sync window without being any of these and no frame can still
// take it, and the bytes of a frame are dropped when a sync pattern cuts it short, when it
// grows past its longest length, or when the caller rejects it. Counts go to the tick in
// which the drop was seen; the last kDropTicks ticks are kept.
class ReceiveParser {
public:
    static constexpr int kDropTicks = 32;

    enum class Completed : std::uint8_t { None, ShortScreen, LongScreen, Settings };

    struct Progress {
        std::size_t used = 0; // bytes read from the front of the span
        Completed completed = Completed::None;
    };

    // Reads bytes in arrival order until one completes a frame, or to the end. Alarm codes
    // raise their channel in `alarms`. The caller decodes a completed frame before it
    // passes the rest.
    Progress push(std::span<const std::uint8_t> bytes, AlarmChannels& alarms);

    // The caller found the frame that just completed bad (a settings frame's checksum): its
    // bytes count as dropped.
    void RejectFrame();
    // Starts the next tick's count; the oldest tick's count is forgotten.
    void Tick();
    // The bytes dropped in the current tick and the `ticks` before it (at most
    // kDropTicks - 1); saturates instead of wrapping.
    std::uint32_t DroppedInLastTicks(int ticks) const;
    // Every byte dropped since the parser was made.
    std::uint64_t DroppedBytes() const { return m_droppedTotal; }

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

    void drop(std::uint32_t count);
    // Per byte of the sync window, bit 0 the newest: kept (a sync pattern, an alarm code, a
    // completed frame) and stored in the frame being collected. The empty window at the
    // start counts as kept.
    std::uint8_t m_kept = 0x0F;
    std::uint8_t m_inFrame = 0;
    std::uint32_t m_frameHeld = 0; // frame bytes past the window, kept only if it completes
    std::uint32_t m_lastFrame = 0; // bytes of the frame that completed last
    std::array<std::uint32_t, kDropTicks> m_dropped{};
    std::size_t m_tick = 0; // index of the current tick's count
    std::uint64_t m_droppedTotal = 0;
};

} // namespace remote::link
