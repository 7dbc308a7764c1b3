#include "remote/recording/linerecorder.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace remote::recording {

struct LineRecorder::Private {
    Clock clock;
    std::FILE* file = nullptr;
    std::uint64_t start = 0;
    std::uint64_t size = 0;
    std::string error;
    Chunk pendingSent{0, Direction::Sent, {}};
    std::vector<std::uint8_t> buffer;

    std::uint64_t now() const { return clock() - start; }
    void close() {
        if (file) {
            std::fclose(file);
            file = nullptr;
        }
    }
};

LineRecorder::LineRecorder(Clock clock)
    : d(std::make_unique<Private>()) {
    d->clock = clock ? std::move(clock) : Clock([] {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    });
}

LineRecorder::~LineRecorder() {
    stop();
}

bool LineRecorder::start(const std::filesystem::path& file, std::string& error) {
    stop();
    d->error.clear();
    d->file = std::fopen(file.c_str(), "wb");
    if (!d->file) {
        error = "cannot write " + file.string() + ": " + std::strerror(errno);
        return false;
    }
    const auto header = encodeHeader();
    if (std::fwrite(header.data(), 1, header.size(), d->file) != header.size() ||
        std::fflush(d->file) != 0) {
        error = "cannot write " + file.string() + ": " + std::strerror(errno);
        d->close();
        return false;
    }
    d->size = header.size();
    d->start = d->clock();
    d->pendingSent.bytes.clear();
    return true;
}

void LineRecorder::stop() {
    if (d->file) {
        flushSent();
    }
    d->close();
}

bool LineRecorder::active() const {
    return d->file != nullptr;
}

std::uint64_t LineRecorder::size() const {
    return d->size;
}

const std::string& LineRecorder::error() const {
    return d->error;
}

void LineRecorder::sent(std::uint8_t byte) {
    if (!d->file) {
        return;
    }
    if (d->pendingSent.bytes.empty()) {
        d->pendingSent.timeUs = d->now();
    }
    d->pendingSent.bytes.push_back(byte);
}

void LineRecorder::flushSent() {
    if (!d->file || d->pendingSent.bytes.empty()) {
        return;
    }
    write(d->pendingSent);
    d->pendingSent.bytes.clear();
}

void LineRecorder::received(std::span<const std::uint8_t> bytes) {
    if (!d->file || bytes.empty()) {
        return;
    }
    flushSent();
    write(Chunk{d->now(), Direction::Received, {bytes.begin(), bytes.end()}});
}

void LineRecorder::write(const Chunk& chunk) {
    if (!d->file) {
        return;
    }
    d->buffer.clear();
    appendRecord(d->buffer, chunk);
    // One write per record, handed to the system at once: a partial record can only be
    // the last one, which a reader detects.
    if (std::fwrite(d->buffer.data(), 1, d->buffer.size(), d->file) != d->buffer.size() ||
        std::fflush(d->file) != 0) {
        d->error = std::string("recording stopped: ") + std::strerror(errno);
        d->close();
        return;
    }
    d->size += d->buffer.size();
}

} // namespace remote::recording
