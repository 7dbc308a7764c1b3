#include "remote/recording/linerecorder.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace remote::recording {

struct LineRecorder::Private {
    Clock clock;
    int fd = -1;
    std::uint64_t start = 0;
    std::uint64_t size = 0;
    std::string error;
    Chunk pendingSent{0, Direction::Sent, {}};
    std::vector<std::uint8_t> buffer;

    std::uint64_t now() const { return clock() - start; }
    void close() {
        if (fd >= 0) {
            ::fdatasync(fd); // a recording stopped at shutdown is on the disk whole
            ::close(fd);
            fd = -1;
        }
    }
    // Hands bytes to the system, all of them or an error.
    bool writeAll(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const auto n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                if (n == 0) {
                    errno = ENOSPC;
                }
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
};

namespace {

// Opens file for a new recording, private to its user whatever the umask, or says why not.
// Whatever else is at the name (a pipe, a device, a folder) is refused without opening it,
// and a file is emptied only once it is known to be one.
int openPrivate(const std::filesystem::path& file, std::string& error) {
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        error = regularFileProblem(file);
        return -1;
    }
    const int fd =
        ::open(file.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        error = "cannot write " + file.string() + ": " + std::strerror(errno);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "cannot write " + file.string() + ": not a regular file";
    } else if (::fchmod(fd, 0600) != 0 || ::ftruncate(fd, 0) != 0 || flags < 0 ||
               ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        error = "cannot write " + file.string() + ": " + std::strerror(errno);
    } else {
        return fd;
    }
    ::close(fd);
    return -1;
}

} // namespace

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
    d->fd = openPrivate(file, error);
    if (d->fd < 0) {
        return false;
    }
    if (!d->writeAll(encodeHeader())) {
        error = "cannot write " + file.string() + ": " + std::strerror(errno);
        d->close();
        return false;
    }
    d->size = kHeaderSize;
    d->start = d->clock();
    d->pendingSent.bytes.clear();
    return true;
}

void LineRecorder::stop() {
    if (d->fd >= 0) {
        flushSent();
    }
    d->close();
}

bool LineRecorder::active() const {
    return d->fd >= 0;
}

std::uint64_t LineRecorder::size() const {
    return d->size;
}

const std::string& LineRecorder::error() const {
    return d->error;
}

void LineRecorder::sent(std::uint8_t byte) {
    if (d->fd < 0) {
        return;
    }
    if (d->pendingSent.bytes.empty()) {
        d->pendingSent.timeUs = d->now();
    }
    d->pendingSent.bytes.push_back(byte);
}

void LineRecorder::flushSent() {
    if (d->fd < 0 || d->pendingSent.bytes.empty()) {
        return;
    }
    write(d->pendingSent);
    d->pendingSent.bytes.clear();
}

void LineRecorder::received(std::span<const std::uint8_t> bytes) {
    if (d->fd < 0 || bytes.empty()) {
        return;
    }
    flushSent();
    write(Chunk{d->now(), Direction::Received, {bytes.begin(), bytes.end()}});
}

void LineRecorder::write(const Chunk& chunk) {
    if (d->fd < 0) {
        return;
    }
    d->buffer.clear();
    appendRecord(d->buffer, chunk);
    // One write per record, handed to the system at once: a killed station leaves whole
    // records, a cut one only at the end, which a reader detects.
    if (!d->writeAll(d->buffer)) {
        d->error = std::string("recording stopped: ") + std::strerror(errno);
        // A record only partly written (a full disk) is taken back, so the recording still
        // ends with a whole record.
        if (::ftruncate(d->fd, static_cast<off_t>(d->size)) != 0) {
            d->error += " (its last record is cut off)";
        }
        d->close();
        return;
    }
    d->size += d->buffer.size();
}

} // namespace remote::recording
