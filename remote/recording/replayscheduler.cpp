#include "remote/recording/replayscheduler.h"

#include <limits>

namespace remote::recording {

ReplayScheduler::ReplayScheduler(std::unique_ptr<RecordingReader> reader, int speed)
    : m_reader(std::move(reader))
    , m_speed(speed < 0 ? 0 : speed) {
    m_sourceDone = !m_reader;
}

ReplayScheduler::ReplayScheduler(std::vector<Chunk> chunks, int speed)
    : m_chunks(std::move(chunks))
    , m_speed(speed < 0 ? 0 : speed) {}

std::optional<Chunk> ReplayScheduler::pull() {
    if (m_reader) {
        return m_reader->next();
    }
    if (m_chunkAt < m_chunks.size()) {
        return std::move(m_chunks[m_chunkAt++]);
    }
    return std::nullopt;
}

bool ReplayScheduler::readAhead(std::size_t& budget) {
    while (!m_ahead && !m_sourceDone && budget > 0) {
        --budget;
        auto chunk = pull();
        if (!chunk) {
            m_sourceDone = true;
        } else if (chunk->direction == Direction::Received && !chunk->bytes.empty()) {
            if (!m_firstChunkUs) {
                m_firstChunkUs = chunk->timeUs;
            }
            m_ahead = std::move(chunk);
        }
    }
    return m_ahead.has_value();
}

void ReplayScheduler::start(std::uint64_t nowUs) {
    m_startUs = nowUs;
    std::size_t budget = kReadStep;
    readAhead(budget);
}

std::uint64_t ReplayScheduler::dueAt(const Chunk& chunk) const {
    if (m_speed == 0) {
        return m_startUs;
    }
    // Times are monotonic in a recording; a step back (a damaged clock) plays at once.
    const std::uint64_t first = m_firstChunkUs.value_or(chunk.timeUs);
    const std::uint64_t offset =
        (chunk.timeUs > first ? chunk.timeUs - first : 0) / static_cast<std::uint64_t>(m_speed);
    // A time stamp far in the future (a damaged clock) waits for ever, never wraps to now.
    return offset > std::numeric_limits<std::uint64_t>::max() - m_startUs
               ? std::numeric_limits<std::uint64_t>::max()
               : m_startUs + offset;
}

std::optional<std::uint64_t> ReplayScheduler::nextDueUs() const {
    if (m_ahead) {
        return dueAt(*m_ahead);
    }
    if (m_sourceDone) {
        return std::nullopt;
    }
    return m_startUs; // the next chunk is still to be read: at once
}

std::vector<std::uint8_t> ReplayScheduler::due(std::uint64_t nowUs) {
    std::vector<std::uint8_t> bytes;
    std::size_t budget = kReadStep;
    while (readAhead(budget)) {
        if (dueAt(*m_ahead) > nowUs ||
            (!bytes.empty() && bytes.size() + m_ahead->bytes.size() > kFastSlice)) {
            break;
        }
        if (bytes.empty()) {
            bytes = std::move(m_ahead->bytes);
        } else {
            bytes.insert(bytes.end(), m_ahead->bytes.begin(), m_ahead->bytes.end());
        }
        m_ahead.reset();
        ++m_played;
    }
    return bytes;
}

std::size_t ReplayScheduler::heldBytes() const {
    return (m_reader ? m_reader->bufferedBytes() : 0) + (m_ahead ? m_ahead->bytes.size() : 0);
}

std::string ReplayScheduler::earlyStop() const {
    if (!m_reader || !m_reader->stoppedEarly()) {
        return {};
    }
    const std::uint64_t records = m_reader->records();
    return "Replay stopped at byte " + std::to_string(m_reader->offset()) + ": " +
           m_reader->problem() + " after " + std::to_string(records) +
           (records == 1 ? " record (" : " records (") + std::to_string(m_played) + " played)";
}

} // namespace remote::recording
