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

// Empty when file is a regular file (or a link to one), else a sentence saying what it is
// ("... is a named pipe, not a regular file") or why it cannot be looked at. Looks without
// opening: opening a pipe can block, opening a device can act on it.
std::string regularFileProblem(const std::filesystem::path& file);

// Reads a recording record by record as it is asked for: the file is never held whole, only
// a read buffer of kReadBuffer bytes and the record being returned (at most kMaxChunk).
// A record cut off at the end of the file (the recording was stopped by a crash or the
// file was copied while written) is not returned; cutOff() then says so. Anything else that
// does not read as a record ends the reading with damaged() set, and nothing after it is
// returned.
class RecordingReader {
public:
    static constexpr std::size_t kReadBuffer = 64 * 1024; // bytes

    // Only a regular file is read. Throws std::runtime_error when the file is something
    // else, cannot be opened or has no valid header.
    explicit RecordingReader(const std::filesystem::path& file);
    // Reads a recording held in memory; the bytes must outlive the reader. Throws as above
    // when they have no valid header.
    explicit RecordingReader(std::span<const std::uint8_t> bytes);
    ~RecordingReader();
    RecordingReader(const RecordingReader&) = delete;
    RecordingReader& operator=(const RecordingReader&) = delete;

    std::optional<Chunk> next();
    bool cutOff() const;
    bool damaged() const;
    // The reading stopped early (cut off, damaged or a read error) and problem() says why.
    bool stoppedEarly() const;
    std::string problem() const;

    // Complete records returned so far, of both directions.
    std::uint64_t records() const;
    // Where the next record starts in the file; after an early stop, where the bad part is.
    std::uint64_t offset() const;
    // Bytes read from the file and not yet returned.
    std::size_t bufferedBytes() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace remote::recording
