#include "remote/recording/recordingformat.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace remote::recording {
namespace {

void putLe(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

std::uint64_t getLe(const std::uint8_t* p, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | p[i];
    }
    return value;
}

// "... is a named pipe, not a regular file" and the like.
std::string notRegular(const std::string& name, mode_t mode) {
    const char* kind = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a named pipe"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                       : S_ISSOCK(mode)                 ? "a socket"
                                                        : "something else";
    return name + " is " + kind + ", not a regular file";
}

} // namespace

std::vector<std::uint8_t> encodeHeader() {
    std::vector<std::uint8_t> out(std::begin(kMagic), std::end(kMagic));
    putLe(out, kFormatVersion, 4);
    putLe(out, 0, 4); // flags, none defined
    return out;
}

void appendRecord(std::vector<std::uint8_t>& out, const Chunk& chunk) {
    putLe(out, chunk.timeUs, 8);
    out.push_back(static_cast<std::uint8_t>(chunk.direction));
    putLe(out, chunk.bytes.size(), 4);
    out.insert(out.end(), chunk.bytes.begin(), chunk.bytes.end());
}

std::string regularFileProblem(const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        return "cannot open " + file.string() + ": " + std::strerror(errno);
    }
    return S_ISREG(st.st_mode) ? std::string() : notRegular(file.string(), st.st_mode);
}

struct RecordingReader::Private {
    enum class Stop { None, CutOff, Damaged, ReadError };

    std::string name;
    int fd = -1;
    std::span<const std::uint8_t> memory;
    std::size_t memoryAt = 0;

    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(kReadBuffer);
    std::size_t begin = 0; // unread bytes are buffer[begin, end)
    std::size_t end = 0;
    bool sourceEnded = false;

    Stop stop = Stop::None;
    std::string problem;
    std::uint64_t records = 0;
    std::uint64_t offset = 0;

    ~Private() {
        if (fd >= 0) {
            ::close(fd);
        }
    }

    // Up to count bytes from the file or the memory; 0 at the end, -1 on a read error.
    long readSource(std::uint8_t* into, std::size_t count) {
        if (fd < 0) {
            const std::size_t n = std::min(count, memory.size() - memoryAt);
            std::copy_n(memory.begin() + static_cast<std::ptrdiff_t>(memoryAt), n, into);
            memoryAt += n;
            return static_cast<long>(n);
        }
        for (;;) {
            const auto n = ::read(fd, into, count);
            if (n >= 0 || errno != EINTR) {
                return n;
            }
        }
    }

    // Copies up to count bytes into into, through the buffer for small reads and straight
    // from the file for large ones; fewer only at the end of the file or on a read error.
    std::size_t take(std::uint8_t* into, std::size_t count) {
        std::size_t got = 0;
        while (got < count) {
            if (begin < end) {
                const std::size_t n = std::min(count - got, end - begin);
                std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(begin), n, into + got);
                begin += n;
                got += n;
                continue;
            }
            if (sourceEnded) {
                break;
            }
            const bool direct = count - got >= buffer.size();
            const long n = direct ? readSource(into + got, count - got)
                                  : readSource(buffer.data(), buffer.size());
            if (n <= 0) {
                sourceEnded = true;
                if (n < 0) {
                    fail(Stop::ReadError, std::string("read error (") + std::strerror(errno) + ")");
                }
                break;
            }
            if (direct) {
                got += static_cast<std::size_t>(n);
            } else {
                begin = 0;
                end = static_cast<std::size_t>(n);
            }
        }
        return got;
    }

    void fail(Stop why, std::string text) {
        if (stop == Stop::None) {
            stop = why;
            problem = std::move(text);
        }
    }

    void readHeader() {
        std::uint8_t header[kHeaderSize];
        if (take(header, kHeaderSize) != kHeaderSize ||
            std::memcmp(header, kMagic, sizeof kMagic) != 0) {
            if (stop == Stop::ReadError) {
                throw std::runtime_error("cannot read " + name + ": " + problem);
            }
            throw std::runtime_error(name + " is not a line recording");
        }
        const auto version = getLe(header + 8, 4);
        if (version != kFormatVersion) {
            throw std::runtime_error(name + ": unknown recording version " +
                                     std::to_string(version));
        }
        offset = kHeaderSize;
    }
};

RecordingReader::RecordingReader(const std::filesystem::path& path)
    : d(std::make_unique<Private>()) {
    d->name = path.string();
    if (const std::string problem = regularFileProblem(path); !problem.empty()) {
        throw std::runtime_error(problem);
    }
    // Not blocking even if the name was swapped for a pipe since it was looked at; what was
    // opened is looked at again before anything is read.
    d->fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (d->fd < 0) {
        throw std::runtime_error("cannot open " + d->name + ": " + std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(d->fd, &st) != 0) {
        throw std::runtime_error("cannot open " + d->name + ": " + std::strerror(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        throw std::runtime_error(notRegular(d->name, st.st_mode));
    }
    const int flags = ::fcntl(d->fd, F_GETFL);
    if (flags < 0 || ::fcntl(d->fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        throw std::runtime_error("cannot open " + d->name + ": " + std::strerror(errno));
    }
    d->readHeader();
}

RecordingReader::RecordingReader(std::span<const std::uint8_t> bytes)
    : d(std::make_unique<Private>()) {
    d->name = "the recording";
    d->memory = bytes;
    d->readHeader();
}

RecordingReader::~RecordingReader() = default;

std::optional<Chunk> RecordingReader::next() {
    if (d->stop != Private::Stop::None) {
        return std::nullopt;
    }
    std::uint8_t head[kRecordHeaderSize];
    const std::size_t got = d->take(head, kRecordHeaderSize);
    if (d->stop != Private::Stop::None || got == 0) {
        return std::nullopt;
    }
    if (got < kRecordHeaderSize) {
        d->fail(Private::Stop::CutOff, "cut-off record");
        return std::nullopt;
    }
    Chunk chunk;
    chunk.timeUs = getLe(head, 8);
    const std::uint8_t direction = head[8];
    const auto length = static_cast<std::uint32_t>(getLe(head + 9, 4));
    if ((direction != static_cast<std::uint8_t>(Direction::Received) &&
         direction != static_cast<std::uint8_t>(Direction::Sent)) ||
        length > kMaxChunk) {
        d->fail(Private::Stop::Damaged, "damaged record");
        return std::nullopt;
    }
    chunk.direction = static_cast<Direction>(direction);
    chunk.bytes.resize(length);
    if (d->take(chunk.bytes.data(), length) != length) {
        d->fail(Private::Stop::CutOff, "cut-off record");
        return std::nullopt;
    }
    ++d->records;
    d->offset += kRecordHeaderSize + length;
    return chunk;
}

bool RecordingReader::cutOff() const {
    return d->stop == Private::Stop::CutOff;
}
bool RecordingReader::damaged() const {
    return d->stop == Private::Stop::Damaged;
}
bool RecordingReader::stoppedEarly() const {
    return d->stop != Private::Stop::None;
}
std::string RecordingReader::problem() const {
    return d->problem;
}
std::uint64_t RecordingReader::records() const {
    return d->records;
}
std::uint64_t RecordingReader::offset() const {
    return d->offset;
}
std::size_t RecordingReader::bufferedBytes() const {
    return d->end - d->begin;
}

} // namespace remote::recording
