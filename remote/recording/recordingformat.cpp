#include "remote/recording/recordingformat.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

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

struct RecordingReader::Private {
    std::FILE* file = nullptr;
    bool cutOff = false;
    bool damaged = false;
    std::string problem;

    ~Private() {
        if (file) {
            std::fclose(file);
        }
    }
    void stop(bool cut, std::string why) {
        (cut ? cutOff : damaged) = true;
        problem = std::move(why);
    }
};

RecordingReader::RecordingReader(const std::filesystem::path& path)
    : d(std::make_unique<Private>()) {
    d->file = std::fopen(path.c_str(), "rb");
    if (!d->file) {
        throw std::runtime_error("cannot open " + path.string() + ": " + std::strerror(errno));
    }
    std::uint8_t header[kHeaderSize];
    if (std::fread(header, 1, kHeaderSize, d->file) != kHeaderSize ||
        std::memcmp(header, kMagic, sizeof kMagic) != 0) {
        throw std::runtime_error(path.string() + " is not a line recording");
    }
    const auto version = getLe(header + 8, 4);
    if (version != kFormatVersion) {
        throw std::runtime_error(path.string() + ": unknown recording version " +
                                 std::to_string(version));
    }
}

RecordingReader::~RecordingReader() = default;

std::optional<Chunk> RecordingReader::next() {
    if (d->cutOff || d->damaged) {
        return std::nullopt;
    }
    std::uint8_t head[kRecordHeaderSize];
    const std::size_t got = std::fread(head, 1, kRecordHeaderSize, d->file);
    if (got == 0) {
        return std::nullopt;
    }
    if (got < kRecordHeaderSize) {
        d->stop(true, "the last record is cut off");
        return std::nullopt;
    }
    Chunk chunk;
    chunk.timeUs = getLe(head, 8);
    const std::uint8_t direction = head[8];
    const auto length = static_cast<std::uint32_t>(getLe(head + 9, 4));
    if ((direction != static_cast<std::uint8_t>(Direction::Received) &&
         direction != static_cast<std::uint8_t>(Direction::Sent)) ||
        length > kMaxChunk) {
        d->stop(false, "a record does not read as one");
        return std::nullopt;
    }
    chunk.direction = static_cast<Direction>(direction);
    chunk.bytes.resize(length);
    if (std::fread(chunk.bytes.data(), 1, length, d->file) != length) {
        d->stop(true, "the last record is cut off");
        return std::nullopt;
    }
    return chunk;
}

bool RecordingReader::cutOff() const {
    return d->cutOff;
}
bool RecordingReader::damaged() const {
    return d->damaged;
}
std::string RecordingReader::problem() const {
    return d->problem;
}

std::vector<Chunk> RecordingReader::readAll(const std::filesystem::path& file) {
    RecordingReader reader(file);
    std::vector<Chunk> chunks;
    while (auto chunk = reader.next()) {
        chunks.push_back(std::move(*chunk));
    }
    return chunks;
}

} // namespace remote::recording
