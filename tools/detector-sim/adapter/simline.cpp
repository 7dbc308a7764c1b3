#include "simline.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace detectorsim {

namespace {

constexpr int WriteWaitMs = 200; // a full line gets this long to drain, per write

bool makeRaw(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        return false;
    }
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSTOPB | PARENB);
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

std::string lastError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

SimLine::~SimLine() {
    if (!m_link.empty()) {
        struct stat st {};
        if (::lstat(m_link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            char target[512] = {};
            const auto n = ::readlink(m_link.c_str(), target, sizeof target - 1);
            // Only our own link goes: another simulator may have taken the path over.
            if (n > 0 && m_device == std::string(target, static_cast<std::size_t>(n))) {
                ::unlink(m_link.c_str());
            }
        }
    }
    if (m_heldSlave >= 0) {
        ::close(m_heldSlave);
    }
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

std::unique_ptr<SimLine> SimLine::createPty(const std::string& linkPath, std::string& error) {
    std::unique_ptr<SimLine> line(new SimLine);
    line->m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (line->m_fd < 0 || ::grantpt(line->m_fd) != 0 || ::unlockpt(line->m_fd) != 0) {
        error = lastError("cannot create a pseudo-terminal");
        return nullptr;
    }
    const char* name = ::ptsname(line->m_fd);
    if (!name) {
        error = lastError("cannot name the pseudo-terminal");
        return nullptr;
    }
    line->m_device = name;
    line->m_heldSlave = ::open(name, O_RDWR | O_NOCTTY);
    if (line->m_heldSlave < 0 || !makeRaw(line->m_heldSlave)) {
        error = lastError("cannot set up the pseudo-terminal");
        return nullptr;
    }
    if (!linkPath.empty()) {
        struct stat st {};
        if (::lstat(linkPath.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                error = linkPath + " exists and is not a symbolic link; not replacing it";
                return nullptr;
            }
            ::unlink(linkPath.c_str());
        }
        if (::symlink(name, linkPath.c_str()) != 0) {
            error = lastError(("cannot make the link " + linkPath).c_str());
            return nullptr;
        }
        line->m_link = linkPath;
    }
    return line;
}

std::unique_ptr<SimLine> SimLine::openDevice(const std::string& path, std::string& error) {
    std::unique_ptr<SimLine> line(new SimLine);
    line->m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (line->m_fd < 0) {
        error = lastError(("cannot open " + path).c_str());
        return nullptr;
    }
    if (!makeRaw(line->m_fd)) {
        error = lastError(("cannot set up " + path).c_str());
        return nullptr;
    }
    line->m_device = path;
    return line;
}

long SimLine::read(std::span<std::uint8_t> buffer) {
    const auto n = ::read(m_fd, buffer.data(), buffer.size());
    if (n < 0) {
        return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    }
    return n;
}

std::size_t SimLine::write(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            break;
        }
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, WriteWaitMs) <= 0) {
            break;
        }
    }
    return done;
}

long SimLine::writeSome(std::span<const std::uint8_t> bytes) {
    for (;;) {
        const auto n = ::write(m_fd, bytes.data(), bytes.size());
        if (n >= 0) {
            return n;
        }
        if (errno == EAGAIN) {
            return 0;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

} // namespace detectorsim
