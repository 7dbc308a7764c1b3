#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A recording of the serial line: a 16-byte header, then one record per chunk of bytes,
// little-endian throughout (see docs/recording.md).
namespace remote::recording {

inline constexpr char kMagic[8] = {'L', 'I', 'N', 'E', 'R', 'E', 'C', '\n'};
inline constexpr std::uint32_t kFormatVersion = 1;
inline constexpr std::size_t kHeaderSize = 16;
inline constexpr std::size_t kRecordHeaderSize = 13; // time (8), direction (1), length (4)
// No chunk of a line at 25.6 kB/s comes near this; a larger length is damage.
inline constexpr std::uint32_t kMaxChunk = 1u << 20;

enum class Direction : std::uint8_t {
    Received = 'R', // detector to station
    Sent = 'S',     // station to detector
};

struct Chunk {
    std::uint64_t timeUs = 0; // monotonic, from the start of the recording
    Direction direction = Direction::Received;
    std::vector<std::uint8_t> bytes;

    bool operator==(const Chunk&) const = default;
};

std::vector<std::uint8_t> encodeHeader();
void appendRecord(std::vector<std::uint8_t>& out, const Chunk& chunk);

// Reads a recording record by record. A record cut off at the end of the file (the
// recording was stopped by a crash or the file was copied while written) is not returned;
// cutOff() then says so. Anything else that does not read as a record ends the reading
// with damaged() set, and nothing after it is returned.
class RecordingReader {
public:
    // Throws std::runtime_error when the file cannot be opened or has no valid header.
    explicit RecordingReader(const std::filesystem::path& file);
    ~RecordingReader();
    RecordingReader(const RecordingReader&) = delete;
    RecordingReader& operator=(const RecordingReader&) = delete;

    std::optional<Chunk> next();
    bool cutOff() const;
    bool damaged() const;
    std::string problem() const;

    // Every complete record.
    static std::vector<Chunk> readAll(const std::filesystem::path& file);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace remote::recording
