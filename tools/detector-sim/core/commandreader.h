#pragma once

#include "simprotocol.h"

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace detectorsim {

enum class CommandKind {
    Key,
    Poll,
    ReadSettings,
    SaveClock,
    SaveId,
    SaveRfTime,
    SaveLaserLevels,
    SaveLaserVolumes,
    SaveChannelTimes,
    SaveRepeatTime,
    SaveSwitches,
    SaveSerial,
};

std::string_view commandName(CommandKind kind);

struct Command {
    CommandKind kind = CommandKind::Poll;
    std::vector<Byte> values; // the bytes after the command's text, checksum excluded
};

// One thing found in the incoming stream.
struct ReadEvent {
    enum class Type {
        Command,     // a well-formed command
        BadChecksum, // a known command whose checksum byte is wrong: ignored
        Stray,       // bytes that belong to no command (noise, a cut or unknown frame)
    };
    Type type = Type::Command;
    Command command;         // Command and BadChecksum
    std::vector<Byte> bytes; // the frame, or the stray bytes (the first StrayKept of them)
    std::size_t strayCount = 0;
};

// Splits the byte stream from the station into commands. A command is recognised by its
// text at its fixed place, zero padding, 13 at its fixed length and its checksum; a 13
// anywhere else may be a value, so the stream is never cut at a bare 13.
class CommandReader {
public:
    static constexpr std::size_t StrayKept = 64; // bytes of a stray run kept for the log

    std::vector<ReadEvent> feed(std::span<const Byte> bytes);
    // Reports the bytes held since the last command as stray (the line went quiet).
    std::vector<ReadEvent> flush();

    std::size_t pendingBytes() const { return m_pending.size() + m_strayCount; }

private:
    void push(Byte b, std::vector<ReadEvent>& out);
    void moveToStray(std::size_t count);
    void emitStray(std::vector<ReadEvent>& out);

    std::vector<Byte> m_pending; // at most LongCommand bytes: a command may end here
    std::vector<Byte> m_stray;
    std::size_t m_strayCount = 0;
};

// Builds a command frame as the station sends it (for tests and the console's self-check).
std::vector<Byte> buildCommand(CommandKind kind, std::span<const Byte> values);

} // namespace detectorsim
