#pragma once

#include "framelog.h"
#include "simprotocol.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace detectorsim {

inline constexpr std::size_t RecordingHeaderSize = 16;
inline constexpr std::size_t RecordHeaderSize = 13;
inline constexpr std::uint32_t RecordingVersion = 1;
inline constexpr std::uint32_t MaxRecordBytes = 1048576;

// One record of a line recording.
struct RecordedChunk {
    std::uint64_t timeUs = 0; // since the recording started
    Byte direction = 'R';     // R: the detector sent it, S: the station did
    std::vector<Byte> bytes;
};

// Reads a line recording as the station writes it (docs/recording.md), on its own so that
// the simulator never depends on the station's code. The file is read record by record as
// it is asked for: only a buffer of ReadBuffer bytes and the record being returned (at most
// MaxRecordBytes) are held, whatever the file's size.
class LineRecordingReader {
public:
    static constexpr std::size_t ReadBuffer = 64 * 1024; // bytes

    // Opens path and checks its header. Only a regular file is opened (a pipe would block,
    // a device could act on it); otherwise nothing, with error saying why.
    static std::unique_ptr<LineRecordingReader> open(const std::string& path, std::string& error);
    ~LineRecordingReader();
    LineRecordingReader(const LineRecordingReader&) = delete;
    LineRecordingReader& operator=(const LineRecordingReader&) = delete;

    // The next complete record. Nothing at the end of the file, and from the first thing
    // that does not read as a record on: a record cut off by the end of the file (cutOff),
    // a direction or a length the format does not have (damaged), or a read error.
    std::optional<RecordedChunk> next();

    bool stoppedEarly() const { return !m_problem.empty(); }
    bool cutOff() const { return m_cutOff; }
    // Why the reading stopped early ("damaged record (unknown direction byte 88)"), else
    // empty.
    const std::string& problem() const { return m_problem; }
    // Complete records read so far, both directions.
    std::uint64_t records() const { return m_records; }
    // Where the next record starts; after an early stop, where the bad part is.
    std::uint64_t offset() const { return m_offset; }
    // Bytes read from the file and not yet returned.
    std::size_t bufferedBytes() const { return m_end - m_begin; }

private:
    explicit LineRecordingReader(int fd);
    std::size_t take(Byte* into, std::size_t count);
    void stop(std::string why, bool cut = false);

    int m_fd;
    std::vector<Byte> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_fileEnded = false;
    bool m_cutOff = false;
    std::string m_problem;
    std::uint64_t m_records = 0;
    std::uint64_t m_offset = 0;
};

// Plays a recording's received chunks (what the detector sent) with their original
// spacing, scaled by a speed (2 plays twice as fast; 0 plays everything at once), reading
// the file as it plays: besides the reader's buffer it holds the chunk being handed out
// and the next one. Time is handed in, so it can be driven by hand.
class RecordingPlayer {
public:
    static constexpr std::size_t ReadStep = 4096; // records read at most per call

    RecordingPlayer(std::unique_ptr<LineRecordingReader> reader, double speed);

    void start(Moment now);
    bool started() const { return m_started; }
    bool finished() const { return !m_ahead && m_readerDone; }

    // The next chunk when it is due by now (and moves past it), else nothing. The bytes
    // stay valid until the next call.
    std::optional<std::span<const Byte>> next(Moment now);
    // How long until the next chunk is due: zero when it is (or while records that are not
    // played are still being read past), nothing when finished or not started.
    std::optional<std::chrono::microseconds> untilNext(Moment now) const;

    const LineRecordingReader* reader() const { return m_reader.get(); }
    // Received chunks handed out so far.
    std::size_t played() const { return m_played; }
    // Bytes read from the file and not yet handed out.
    std::size_t heldBytes() const;
    // When the file stopped being readable before its end, where and why: "replay stopped
    // at byte 31: damaged record (unknown direction byte 88) after 1 record (1 played)";
    // else empty.
    std::string earlyStop() const;

private:
    void readAhead();
    Moment dueAt(const RecordedChunk& chunk) const;

    std::unique_ptr<LineRecordingReader> m_reader;
    double m_speed;
    bool m_started = false;
    Moment m_start{};
    std::optional<RecordedChunk> m_ahead;
    RecordedChunk m_current;
    bool m_readerDone = false;
    std::optional<std::uint64_t> m_firstUs;
    std::uint64_t m_lastUs = 0;
    std::size_t m_played = 0;
};

} // namespace detectorsim
