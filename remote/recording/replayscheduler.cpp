#include "remote/recording/replayscheduler.h"

namespace remote::recording {

ReplayScheduler::ReplayScheduler(const std::vector<Chunk>& chunks, int speed)
    : m_speed(speed < 0 ? 0 : speed) {
    for (const Chunk& c : chunks) {
        if (c.direction == Direction::Received && !c.bytes.empty()) {
            m_chunks.push_back(c);
        }
    }
    if (!m_chunks.empty()) {
        m_firstChunkUs = m_chunks.front().timeUs;
    }
}

void ReplayScheduler::start(std::uint64_t nowUs) {
    m_startUs = nowUs;
    m_next = 0;
}

std::optional<std::uint64_t> ReplayScheduler::nextDueUs() const {
    if (finished()) {
        return std::nullopt;
    }
    if (m_speed == 0) {
        return m_startUs;
    }
    // Times are monotonic in a recording; a step back (a damaged clock) plays at once.
    const std::uint64_t t = m_chunks[m_next].timeUs;
    const std::uint64_t offset = t > m_firstChunkUs ? t - m_firstChunkUs : 0;
    return m_startUs + offset / static_cast<std::uint64_t>(m_speed);
}

std::vector<std::uint8_t> ReplayScheduler::due(std::uint64_t nowUs) {
    std::vector<std::uint8_t> bytes;
    while (!finished()) {
        if (m_speed == 0 ? bytes.size() >= kFastSlice : *nextDueUs() > nowUs) {
            break;
        }
        const auto& chunk = m_chunks[m_next++].bytes;
        bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    }
    return bytes;
}

} // namespace remote::recording
