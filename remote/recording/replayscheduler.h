#pragma once

#include "remote/recording/recordingformat.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace remote::recording {

// Plays a recording's received chunks back with their original spacing, scaled by the
// speed, against a clock the caller passes in (microseconds, any origin). Speed 0 is as
// fast as possible: everything is due at once, handed out in slices so the window stays
// responsive.
//
// A recording is read as it plays: besides the reader's buffer, only the next chunk to
// play is held (at most kMaxChunk bytes), and each call reads at most kReadStep records,
// so neither the file's size nor a long run of records that are not played holds the
// caller up.
class ReplayScheduler {
public:
    static constexpr std::size_t kFastSlice = 64 * 1024; // bytes handed out at most per call,
                                                         // unless one chunk is larger
    static constexpr std::size_t kReadStep = 4096;       // records read at most per call

    // Plays a recording as it is read; reader() then tells where and why it ended.
    ReplayScheduler(std::unique_ptr<RecordingReader> reader, int speed);
    // Plays chunks already in memory.
    ReplayScheduler(std::vector<Chunk> chunks, int speed);

    // Takes the clock's origin and reads up to the first chunk.
    void start(std::uint64_t nowUs);
    // The bytes whose time has come, in order; empty when none is due.
    std::vector<std::uint8_t> due(std::uint64_t nowUs);
    // When due() should be called next on the caller's clock (at once while still reading
    // ahead); nothing when finished.
    std::optional<std::uint64_t> nextDueUs() const;
    bool finished() const { return !m_ahead && m_sourceDone; }
    // Received chunks handed out so far.
    std::size_t chunksPlayed() const { return m_played; }
    int speed() const { return m_speed; }
    const RecordingReader* reader() const { return m_reader.get(); }
    // Bytes read from the recording and not yet handed out.
    std::size_t heldBytes() const;
    // When the recording's reading stopped before the end of its file, where and why, e.g.
    // "Replay stopped at byte 12345: damaged record after 40 records (25 played)"; else
    // empty.
    std::string earlyStop() const;

private:
    std::optional<Chunk> pull();
    bool readAhead(std::size_t& budget);
    std::uint64_t dueAt(const Chunk& chunk) const;

    std::unique_ptr<RecordingReader> m_reader;
    std::vector<Chunk> m_chunks;
    std::size_t m_chunkAt = 0;
    int m_speed;
    std::optional<Chunk> m_ahead; // the next received chunk to play
    bool m_sourceDone = false;
    std::size_t m_played = 0;
    std::uint64_t m_startUs = 0;
    std::optional<std::uint64_t> m_firstChunkUs;
};

} // namespace remote::recording
