#include "linerecording.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

constexpr char Magic[8] = {'L', 'I', 'N', 'E', 'R', 'E', 'C', '\n'};

const char* kindOf(mode_t mode) {
    return S_ISDIR(mode)                    ? "a folder"
           : S_ISFIFO(mode)                 ? "a named pipe"
           : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
           : S_ISSOCK(mode)                 ? "a socket"
                                            : "something else";
}

} // namespace

std::unique_ptr<LineRecordingReader> LineRecordingReader::open(const std::string& path,
                                                               std::string& error) {
    const std::string cannot = "cannot read the recording " + path + ": ";
    // Looked at before it is opened, and what was opened looked at again, in case the name
    // was swapped in between (opening without blocking meanwhile).
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = cannot + std::strerror(errno);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        error = cannot + "it is " + kindOf(st.st_mode) + ", not a regular file";
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = cannot + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<LineRecordingReader> reader(new LineRecordingReader(fd));
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        error = cannot + std::strerror(errno);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        error = cannot + "it is " + kindOf(st.st_mode) + ", not a regular file";
        return nullptr;
    }

    Byte header[RecordingHeaderSize];
    if (reader->take(header, RecordingHeaderSize) < RecordingHeaderSize ||
        std::memcmp(header, Magic, sizeof Magic) != 0) {
        error = reader->stoppedEarly() ? cannot + reader->problem()
                                       : path + ": not a line recording (no LINEREC header)";
        return nullptr;
    }
    if (const auto version = littleEndian<std::uint32_t>(header + 8); version != RecordingVersion) {
        error =
            path + ": line recording version " + std::to_string(version) + " is not known (1 is)";
        return nullptr;
    }
    reader->m_offset = RecordingHeaderSize;
    return reader;
}

LineRecordingReader::LineRecordingReader(int fd)
    : m_fd(fd)
    , m_buffer(ReadBuffer) {}

LineRecordingReader::~LineRecordingReader() {
    ::close(m_fd);
}

void LineRecordingReader::stop(std::string why, bool cut) {
    if (m_problem.empty()) {
        m_problem = std::move(why);
        m_cutOff = cut;
    }
}

// Up to count bytes, through the buffer for small reads and straight from the file for
// large ones; fewer only at the end of the file or on a read error.
std::size_t LineRecordingReader::take(Byte* into, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        if (m_begin < m_end) {
            const std::size_t n = std::min(count - got, m_end - m_begin);
            std::memcpy(into + got, m_buffer.data() + m_begin, n);
            m_begin += n;
            got += n;
            continue;
        }
        if (m_fileEnded) {
            break;
        }
        const bool direct = count - got >= m_buffer.size();
        const auto n = direct ? ::read(m_fd, into + got, count - got)
                              : ::read(m_fd, m_buffer.data(), m_buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            m_fileEnded = true;
            if (n < 0) {
                stop(std::string("read error (") + std::strerror(errno) + ")");
            }
            break;
        }
        if (direct) {
            got += static_cast<std::size_t>(n);
        } else {
            m_begin = 0;
            m_end = static_cast<std::size_t>(n);
        }
    }
    return got;
}

std::optional<RecordedChunk> LineRecordingReader::next() {
    if (stoppedEarly()) {
        return std::nullopt;
    }
    Byte head[RecordHeaderSize];
    const std::size_t got = take(head, RecordHeaderSize);
    if (stoppedEarly() || got == 0) {
        return std::nullopt;
    }
    if (got < RecordHeaderSize) {
        stop("cut-off record", true);
        return std::nullopt;
    }
    RecordedChunk chunk;
    chunk.timeUs = littleEndian<std::uint64_t>(head);
    chunk.direction = head[8];
    const auto length = littleEndian<std::uint32_t>(head + 9);
    if (chunk.direction != 'R' && chunk.direction != 'S') {
        stop("damaged record (unknown direction byte " + std::to_string(chunk.direction) + ")");
        return std::nullopt;
    }
    if (length > MaxRecordBytes) {
        stop("damaged record (it claims " + std::to_string(length) + " bytes, at most " +
             std::to_string(MaxRecordBytes) + ")");
        return std::nullopt;
    }
    chunk.bytes.resize(length);
    if (take(chunk.bytes.data(), length) < length) {
        stop("cut-off record", true);
        return std::nullopt;
    }
    ++m_records;
    m_offset += RecordHeaderSize + length;
    return chunk;
}

RecordingPlayer::RecordingPlayer(std::unique_ptr<LineRecordingReader> reader, double speed)
    : m_reader(std::move(reader))
    , m_speed(speed)
    , m_readerDone(!m_reader) {}

void RecordingPlayer::start(Moment now) {
    m_started = true;
    m_start = now;
    readAhead();
}

void RecordingPlayer::readAhead() {
    for (std::size_t step = 0; step < ReadStep && !m_ahead && !m_readerDone; ++step) {
        auto chunk = m_reader->next();
        if (!chunk) {
            m_readerDone = true;
        } else if (chunk->direction == 'R') {
            // The clock never goes back in a sound file; should it, play such a chunk at
            // once rather than wait for time that has passed.
            chunk->timeUs = std::max(chunk->timeUs, m_lastUs);
            m_lastUs = chunk->timeUs;
            if (!m_firstUs) {
                m_firstUs = chunk->timeUs;
            }
            m_ahead = std::move(chunk);
        }
    }
}

Moment RecordingPlayer::dueAt(const RecordedChunk& chunk) const {
    if (m_speed <= 0 || !m_firstUs) {
        return m_start;
    }
    // The first chunk plays at the start; the rest keep their spacing from it. Capped so
    // that a silly time stamp cannot overflow the clock (a year is far past any replay).
    constexpr double Cap = 365.0 * 24 * 3600 * 1e6;
    const double us = std::min(Cap, static_cast<double>(chunk.timeUs - *m_firstUs) / m_speed);
    return m_start + std::chrono::microseconds(static_cast<std::int64_t>(us));
}

std::optional<std::span<const Byte>> RecordingPlayer::next(Moment now) {
    if (!m_started) {
        return std::nullopt;
    }
    readAhead();
    if (!m_ahead || dueAt(*m_ahead) > now) {
        return std::nullopt;
    }
    m_current = std::move(*m_ahead);
    m_ahead.reset();
    ++m_played;
    readAhead(); // so that untilNext knows when the next one is due
    return std::span<const Byte>(m_current.bytes);
}

std::optional<std::chrono::microseconds> RecordingPlayer::untilNext(Moment now) const {
    if (!m_started || finished()) {
        return std::nullopt;
    }
    if (!m_ahead) {
        return std::chrono::microseconds(0); // still reading past records not played
    }
    const auto due = dueAt(*m_ahead);
    return due <= now ? std::chrono::microseconds(0)
                      : std::chrono::duration_cast<std::chrono::microseconds>(due - now);
}

std::size_t RecordingPlayer::heldBytes() const {
    return (m_reader ? m_reader->bufferedBytes() : 0) + (m_ahead ? m_ahead->bytes.size() : 0) +
           m_current.bytes.size();
}

std::string RecordingPlayer::earlyStop() const {
    if (!m_reader || !m_reader->stoppedEarly()) {
        return {};
    }
    const std::uint64_t records = m_reader->records();
    return "replay stopped at byte " + std::to_string(m_reader->offset()) + ": " +
           m_reader->problem() + " after " + std::to_string(records) +
           (records == 1 ? " record (" : " records (") + std::to_string(m_played) + " played)";
}

} // namespace detectorsim
