#include "remote/link/receiveparser.h"

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

    Progress progress;
    while (progress.used < bytes.size() && progress.completed == Completed::None) {
        const std::uint8_t b = bytes[progress.used++];
        if (++rxPos > protocol::RxPosMax) {
            rxPos = protocol::RxPosMax;
        }
        window = (window << 8) | b;

        if (window == ScreenPattern) {
            rxPos = 0;
            state = protocol::ScreenFrame;
        } else if (window == AckPattern) {
            rxPos = 0;
            state = protocol::Acknowledgement;
        } else if (window == SettingsPattern) {
            rxPos = 0;
            state = protocol::SettingsFrame;
        }

        const std::uint32_t prefix = (window >> 8) & 0xFFFFu;
        if (prefix == ('F' << 8 | 'A') || prefix == ('F' << 8 | 'B')) {
            const int channel = AlarmTable[(prefix & 0xFFu) == 'A' ? 0 : 1][b];
            if (channel >= 0) {
                alarms.raise(channel);
            }
        }

        // After the acknowledgement, and before the first sync pattern, bytes are only
        // counted.
        if (state != protocol::ScreenFrame && state != protocol::SettingsFrame) {
            continue;
        }
        store(b);
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
            rxPos = 0;
        }
    }

    m_rxPos = rxPos;
    m_window = window;
    m_frameState = state;
    return progress;
}

std::array<std::uint8_t, 4> ReceiveParser::SyncWindow() const {
    return {static_cast<std::uint8_t>(m_window >> 24), static_cast<std::uint8_t>(m_window >> 16),
            static_cast<std::uint8_t>(m_window >> 8), static_cast<std::uint8_t>(m_window)};
}

} // namespace remote::link
