#pragma once

#include "remote/recording/recordingformat.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace remote::recording {

// Plays a recording's received chunks back with their original spacing, scaled by the
// speed, against a clock the caller passes in (microseconds, any origin). Speed 0 is as
// fast as possible: everything is due at once, handed out in slices so the window stays
// responsive.
class ReplayScheduler {
public:
    static constexpr std::size_t kFastSlice = 64 * 1024;

    // Keeps only the detector-to-station chunks.
    ReplayScheduler(const std::vector<Chunk>& chunks, int speed);

    void start(std::uint64_t nowUs);
    // The bytes whose time has come, in order; empty when none is due.
    std::vector<std::uint8_t> due(std::uint64_t nowUs);
    // When the next chunk is due on the caller's clock; nothing when finished.
    std::optional<std::uint64_t> nextDueUs() const;
    bool finished() const { return m_next >= m_chunks.size(); }
    std::size_t chunkCount() const { return m_chunks.size(); }
    std::size_t chunksPlayed() const { return m_next; }
    int speed() const { return m_speed; }

private:
    std::vector<Chunk> m_chunks;
    int m_speed;
    std::size_t m_next = 0;
    std::uint64_t m_startUs = 0;
    std::uint64_t m_firstChunkUs = 0;
};

} // namespace remote::recording
