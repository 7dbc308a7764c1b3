#include "commandreader.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace detectorsim {

namespace {

struct Layout {
    CommandKind kind;
    std::string_view name;
    std::size_t payload; // 7 or 12
    std::size_t textAt;  // payload position of the text
    std::string_view text;
    std::size_t valuesAt; // payload position of the first value
};

// Bytes in front of the text and between the text and the values are zero.
constexpr std::array<Layout, 12> Layouts = {{
    {CommandKind::Key, "key", ShortPayload, 0, "KEYIN", 5},
    {CommandKind::Poll, "poll", ShortPayload, 0, "REMOTE1", 7},
    {CommandKind::ReadSettings, "read-settings", LongPayload, 5, "SETDATA", 12},
    {CommandKind::SaveClock, "save-clock", LongPayload, 2, "SAVE1", 7},
    {CommandKind::SaveId, "save-id", LongPayload, 1, "SAVE2", 6},
    {CommandKind::SaveRfTime, "save-rf-time", LongPayload, 5, "SAVE3", 10},
    {CommandKind::SaveLaserLevels, "save-laser-levels", LongPayload, 5, "SAVE4", 10},
    {CommandKind::SaveLaserVolumes, "save-laser-volumes", LongPayload, 5, "SAVE5", 10},
    {CommandKind::SaveChannelTimes, "save-channel-times", LongPayload, 0, "SV6", 3},
    {CommandKind::SaveRepeatTime, "save-repeat-time", LongPayload, 5, "SAVE7", 11},
    {CommandKind::SaveSwitches, "save-switches", LongPayload, 5, "SAVE8", 11},
    {CommandKind::SaveSerial, "save-serial", LongPayload, 0, "SIRN", 4},
}};

const Layout& layoutOf(CommandKind kind) {
    return *std::find_if(Layouts.begin(), Layouts.end(),
                         [kind](const Layout& l) { return l.kind == kind; });
}

bool matchesLayout(std::span<const Byte> frame, const Layout& l) {
    if (frame.size() != l.payload + 2 || frame.back() != CarriageReturn) {
        return false;
    }
    for (std::size_t i = 0; i < l.textAt; ++i) {
        if (frame[i] != 0) {
            return false;
        }
    }
    for (std::size_t i = 0; i < l.text.size(); ++i) {
        if (frame[l.textAt + i] != static_cast<Byte>(l.text[i])) {
            return false;
        }
    }
    for (std::size_t i = l.textAt + l.text.size(); i < l.valuesAt; ++i) {
        if (frame[i] != 0) {
            return false;
        }
    }
    return true;
}

Byte checksumOf(std::span<const Byte> payload) {
    return static_cast<Byte>(std::accumulate(payload.begin(), payload.end(), 0u) & 0xFFu);
}

} // namespace

std::string_view commandName(CommandKind kind) {
    return layoutOf(kind).name;
}

std::vector<ReadEvent> CommandReader::feed(std::span<const Byte> bytes) {
    std::vector<ReadEvent> out;
    for (Byte b : bytes) {
        push(b, out);
    }
    return out;
}

std::vector<ReadEvent> CommandReader::flush() {
    std::vector<ReadEvent> out;
    moveToStray(m_pending.size());
    emitStray(out);
    return out;
}

void CommandReader::push(Byte b, std::vector<ReadEvent>& out) {
    m_pending.push_back(b);
    if (b == CarriageReturn) {
        // Long forms first: a long frame's last nine bytes never carry a short text.
        for (const std::size_t length : {LongCommand, ShortCommand}) {
            if (m_pending.size() < length) {
                continue;
            }
            const std::span<const Byte> frame(m_pending.data() + m_pending.size() - length, length);
            for (const Layout& l : Layouts) {
                if (!matchesLayout(frame, l)) {
                    continue;
                }
                ReadEvent event;
                const auto payload = frame.first(l.payload);
                event.type = checksumOf(payload) == frame[l.payload] ? ReadEvent::Type::Command
                                                                     : ReadEvent::Type::BadChecksum;
                event.command.kind = l.kind;
                event.command.values.assign(payload.begin() + static_cast<long>(l.valuesAt),
                                            payload.end());
                event.bytes.assign(frame.begin(), frame.end());
                // The frame is copied out before the bytes in front of it go.
                moveToStray(m_pending.size() - length);
                emitStray(out);
                out.push_back(std::move(event));
                m_pending.clear();
                return;
            }
        }
    }
    if (m_pending.size() >= LongCommand) {
        // The oldest byte can no longer start a command.
        moveToStray(1);
    }
}

void CommandReader::moveToStray(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (m_stray.size() < StrayKept) {
            m_stray.push_back(m_pending[i]);
        }
    }
    m_strayCount += count;
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<long>(count));
}

void CommandReader::emitStray(std::vector<ReadEvent>& out) {
    if (m_strayCount == 0) {
        return;
    }
    ReadEvent event;
    event.type = ReadEvent::Type::Stray;
    event.bytes = std::move(m_stray);
    event.strayCount = m_strayCount;
    out.push_back(std::move(event));
    m_stray.clear();
    m_strayCount = 0;
}

std::vector<Byte> buildCommand(CommandKind kind, std::span<const Byte> values) {
    const Layout& l = layoutOf(kind);
    std::vector<Byte> frame(l.payload + 2, 0);
    std::copy(l.text.begin(), l.text.end(), frame.begin() + static_cast<long>(l.textAt));
    const std::size_t room = l.payload - l.valuesAt;
    std::copy_n(values.begin(), std::min(room, values.size()),
                frame.begin() + static_cast<long>(l.valuesAt));
    frame[l.payload] = checksumOf(std::span<const Byte>(frame).first(l.payload));
    frame[l.payload + 1] = CarriageReturn;
    return frame;
}

} // namespace detectorsim
