#include "linerecording.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace detectorsim {

namespace {

template <typename T>
T littleEndian(const Byte* bytes) {
    T value = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) {
        value = static_cast<T>((value << 8) | bytes[i]);
    }
    return value;
}

// Reads up to count bytes; returns how many were there.
std::size_t readUpTo(std::istream& in, Byte* into, std::size_t count) {
    in.read(reinterpret_cast<char*>(into), static_cast<std::streamsize>(count));
    return static_cast<std::size_t>(in.gcount());
}

constexpr char Magic[8] = {'L', 'I', 'N', 'E', 'R', 'E', 'C', '\n'};

} // namespace

std::optional<LineRecording> readLineRecording(std::istream& in, std::string& error) {
    std::array<Byte, RecordingHeaderSize> header{};
    if (readUpTo(in, header.data(), header.size()) < header.size() ||
        std::memcmp(header.data(), Magic, sizeof Magic) != 0) {
        error = "not a line recording (no LINEREC header)";
        return std::nullopt;
    }
    if (const auto version = littleEndian<std::uint32_t>(header.data() + 8);
        version != RecordingVersion) {
        error = "line recording version " + std::to_string(version) + " is not known (1 is)";
        return std::nullopt;
    }

    LineRecording recording;
    std::uint64_t offset = RecordingHeaderSize;
    for (;;) {
        std::array<Byte, RecordHeaderSize> head{};
        const std::size_t got = readUpTo(in, head.data(), head.size());
        if (got < head.size()) {
            recording.cutOff = got > 0;
            return recording;
        }
        const Byte direction = head[8];
        const auto length = littleEndian<std::uint32_t>(head.data() + 9);
        if (direction != 'R' && direction != 'S') {
            error = "damaged line recording: unknown direction byte " + std::to_string(direction) +
                    " in the record at byte " + std::to_string(offset);
            return std::nullopt;
        }
        if (length > MaxRecordBytes) {
            error = "damaged line recording: record at byte " + std::to_string(offset) +
                    " claims " + std::to_string(length) + " bytes (at most " +
                    std::to_string(MaxRecordBytes) + ")";
            return std::nullopt;
        }
        RecordedChunk chunk;
        chunk.timeUs = littleEndian<std::uint64_t>(head.data());
        chunk.bytes.resize(length);
        if (readUpTo(in, chunk.bytes.data(), length) < length) {
            recording.cutOff = true;
            return recording;
        }
        offset += RecordHeaderSize + length;
        if (direction == 'R') {
            recording.received.push_back(std::move(chunk));
        } else {
            ++recording.sentRecords;
        }
    }
}

RecordingPlayer::RecordingPlayer(LineRecording recording, double speed)
    : m_chunks(std::move(recording.received))
    , m_speed(speed) {
    // The clock never goes back in a sound file; should it, play such a chunk at once
    // rather than wait for time that has passed.
    for (std::size_t i = 1; i < m_chunks.size(); ++i) {
        m_chunks[i].timeUs = std::max(m_chunks[i].timeUs, m_chunks[i - 1].timeUs);
    }
}

void RecordingPlayer::start(Moment now) {
    m_started = true;
    m_start = now;
}

Moment RecordingPlayer::dueAt(std::size_t index) const {
    if (m_speed <= 0 || m_chunks.empty()) {
        return m_start;
    }
    // The first chunk plays at the start; the rest keep their spacing from it. Capped so
    // that a silly time stamp cannot overflow the clock (a year is far past any replay).
    constexpr double Cap = 365.0 * 24 * 3600 * 1e6;
    const double us = std::min(
        Cap, static_cast<double>(m_chunks[index].timeUs - m_chunks.front().timeUs) / m_speed);
    return m_start + std::chrono::microseconds(static_cast<std::int64_t>(us));
}

std::optional<std::span<const Byte>> RecordingPlayer::next(Moment now) {
    if (!m_started || finished() || dueAt(m_next) > now) {
        return std::nullopt;
    }
    const auto& chunk = m_chunks[m_next++];
    return std::span<const Byte>(chunk.bytes);
}

std::optional<std::chrono::microseconds> RecordingPlayer::untilNext(Moment now) const {
    if (!m_started || finished()) {
        return std::nullopt;
    }
    const auto due = dueAt(m_next);
    return due <= now ? std::chrono::microseconds(0)
                      : std::chrono::duration_cast<std::chrono::microseconds>(due - now);
}

} // namespace detectorsim
