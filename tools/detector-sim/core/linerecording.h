#pragma once

#include "framelog.h"
#include "simprotocol.h"

#include <chrono>
#include <cstdint>
#include <istream>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace detectorsim {

// A line recording as the station writes it (docs/recording.md), read here on its own so
// that the simulator never depends on the station's code. Only what the detector sent
// (direction R) is kept: that is what a replay puts back on the line.
struct RecordedChunk {
    std::uint64_t timeUs = 0; // since the recording started
    std::vector<Byte> bytes;
};

struct LineRecording {
    std::vector<RecordedChunk> received;
    std::size_t sentRecords = 0; // station-to-detector records, skipped
    bool cutOff = false;         // the file ended inside a record, which was ignored
};

inline constexpr std::size_t RecordingHeaderSize = 16;
inline constexpr std::size_t RecordHeaderSize = 13;
inline constexpr std::uint32_t RecordingVersion = 1;
inline constexpr std::uint32_t MaxRecordBytes = 1048576;

// Reads a whole recording. A cut-off last record is ignored (cutOff set); anything else
// that does not fit the format (header, version, direction, length) refuses the file:
// nothing is returned and error says what and where.
std::optional<LineRecording> readLineRecording(std::istream& in, std::string& error);

// Plays the received chunks with their original spacing, scaled by a speed (2 plays twice
// as fast; 0 plays everything at once). Time is handed in, so it can be driven by hand.
class RecordingPlayer {
public:
    RecordingPlayer(LineRecording recording, double speed);

    void start(Moment now);
    bool started() const { return m_started; }
    bool finished() const { return m_next >= m_chunks.size(); }

    // The next chunk when it is due by now (and moves past it), else nothing.
    std::optional<std::span<const Byte>> next(Moment now);
    // How long until the next chunk is due: zero when it is, nothing when finished or
    // not started.
    std::optional<std::chrono::microseconds> untilNext(Moment now) const;

private:
    Moment dueAt(std::size_t index) const;

    std::vector<RecordedChunk> m_chunks;
    double m_speed;
    bool m_started = false;
    Moment m_start{};
    std::size_t m_next = 0;
};

} // namespace detectorsim
