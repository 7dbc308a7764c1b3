#include "remote/link/receiveparser.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace remote::link {

namespace {

// The four bytes of a sync pattern as the window holds them: w0 in the top byte.
constexpr std::uint32_t pack(const std::array<std::uint8_t, 4>& p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
           std::uint32_t{p[3]};
}

constexpr std::uint32_t ScreenPattern = pack(protocol::ScreenSync);
constexpr std::uint32_t AckPattern = pack(protocol::AckSync);
constexpr std::uint32_t SettingsPattern = pack(protocol::SettingsSync);

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

constexpr AlarmRows AlarmTable = makeAlarmTable();

// The longest frame a state collects; past it nothing can complete.
constexpr std::int32_t longestFrame(protocol::FrameState state) {
    return state == protocol::ScreenFrame     ? protocol::LongScreenFrameSize
           : state == protocol::SettingsFrame ? protocol::SettingsFrameSize
                                              : 0;
}

} // namespace

ReceiveParser::Progress ReceiveParser::push(std::span<const std::uint8_t> bytes,
                                            AlarmChannels& alarms) {
    // Kept in locals while the bytes run: a store to the byte buffer would otherwise make
    // the compiler reload them for every byte.
    std::int32_t rxPos = m_rxPos;
    std::uint32_t window = m_window;
    protocol::FrameState state = m_frameState;

    // Bytes that complete a sync pattern leave RxPos at 0 and are not stored.
    const auto store = [this, &rxPos](std::uint8_t b) {
        if (rxPos >= 1) {
            m_rxBuf[static_cast<std::size_t>(rxPos - 1)] = b;
        }
    };

    std::uint32_t kept = m_kept;
    std::uint32_t inFrame = m_inFrame;
    std::uint32_t dropped = 0;

    Progress progress;
    while (progress.used < bytes.size() && progress.completed == Completed::None) {
        const std::uint8_t b = bytes[progress.used++];
        // The oldest byte leaves the window: kept, held with a frame that can still
        // complete, or dropped.
        if ((kept & 0x08u) == 0) {
            if ((inFrame & 0x08u) != 0 && rxPos <= longestFrame(state)) {
                ++m_frameHeld;
            } else {
                ++dropped;
            }
        }
        kept = (kept << 1) & 0x0Fu;
        inFrame = (inFrame << 1) & 0x0Fu;

        if (++rxPos > protocol::RxPosMax) {
            rxPos = protocol::RxPosMax;
        }
        window = (window << 8) | b;

        bool sync = true;
        if (window == ScreenPattern) {
            state = protocol::ScreenFrame;
        } else if (window == AckPattern) {
            state = protocol::Acknowledgement;
        } else if (window == SettingsPattern) {
            state = protocol::SettingsFrame;
        } else {
            sync = false;
        }
        if (sync) {
            rxPos = 0;
            dropped += std::exchange(m_frameHeld, 0); // a frame cut short
            kept = 0x0Fu;
            inFrame = 0;
        }

        const std::uint32_t prefix = (window >> 8) & 0xFFFFu;
        if (prefix == ('F' << 8 | 'A') || prefix == ('F' << 8 | 'B')) {
            const int channel = AlarmTable[(prefix & 0xFFu) == 'A' ? 0 : 1][b];
            if (channel >= 0) {
                alarms.raise(channel);
                kept |= 0x07u;
            }
        }

        // After the acknowledgement, and before the first sync pattern, bytes are only
        // counted.
        if (state != protocol::ScreenFrame && state != protocol::SettingsFrame) {
            continue;
        }
        store(b);
        if (rxPos >= 1) {
            inFrame |= 1u;
        }
        if (rxPos == longestFrame(state) + 1) {
            dropped += std::exchange(m_frameHeld, 0); // grew past any frame
        }
        if (b != protocol::FrameEnd) {
            continue;
        }
        // The frame's own end: the next byte goes to slot 0 again, with no sync pattern
        // needed for another frame of the same kind.
        if (state == protocol::ScreenFrame && rxPos == protocol::ShortScreenFrameSize) {
            progress.completed = Completed::ShortScreen;
        } else if (state == protocol::ScreenFrame && rxPos == protocol::LongScreenFrameSize) {
            progress.completed = Completed::LongScreen;
        } else if (state == protocol::SettingsFrame && rxPos == protocol::SettingsFrameSize) {
            progress.completed = Completed::Settings;
        }
        if (progress.completed != Completed::None) {
            m_lastFrame = static_cast<std::uint32_t>(rxPos);
            rxPos = 0;
            m_frameHeld = 0;
            kept |= inFrame;
            inFrame = 0;
        }
    }

    m_kept = static_cast<std::uint8_t>(kept);
    m_inFrame = static_cast<std::uint8_t>(inFrame);
    drop(dropped);
    m_rxPos = rxPos;
    m_window = window;
    m_frameState = state;
    return progress;
}

void ReceiveParser::drop(std::uint32_t count) {
    std::uint32_t& now = m_dropped[m_tick];
    now = count > UINT32_MAX - now ? UINT32_MAX : now + count;
    m_droppedTotal += count;
}

void ReceiveParser::RejectFrame() {
    drop(std::exchange(m_lastFrame, 0));
}

void ReceiveParser::Tick() {
    m_tick = (m_tick + 1) % m_dropped.size();
    m_dropped[m_tick] = 0;
}

std::uint32_t ReceiveParser::DroppedInLastTicks(int ticks) const {
    ticks = std::clamp(ticks, 0, kDropTicks - 1);
    std::uint64_t sum = 0;
    for (int i = 0; i <= ticks; ++i) {
        sum +=
            m_dropped[(m_tick + m_dropped.size() - static_cast<std::size_t>(i)) % m_dropped.size()];
    }
    return sum > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(sum);
}

std::array<std::uint8_t, 4> ReceiveParser::SyncWindow() const {
    return {static_cast<std::uint8_t>(m_window >> 24), static_cast<std::uint8_t>(m_window >> 16),
            static_cast<std::uint8_t>(m_window >> 8), static_cast<std::uint8_t>(m_window)};
}

} // namespace remote::link
