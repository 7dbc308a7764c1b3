#include "remote/mqtt/mqttsettings.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace remote::mqtt {
namespace {

constexpr std::size_t kPasswordLimit = 65'535; // the protocol's longest password, bytes

bool validTopicPart(const std::string& part, bool slashes) {
    if (part.empty()) {
        return false;
    }
    for (const char c : part) {
        if (c == '+' || c == '#' || c == '\0' || (!slashes && c == '/')) {
            return false;
        }
    }
    return part.front() != '/' && part.back() != '/';
}

} // namespace

std::string checkMqttSettings(const MqttSettings& m) {
    if (!m.enabled()) {
        return {};
    }
    if (m.port < 1 || m.port > 65535) {
        return "port must be 1 to 65535";
    }
    if (!validTopicPart(m.prefix, true)) {
        return "prefix must not be empty or contain '+' or '#'";
    }
    if (!validTopicPart(m.station, false)) {
        return "station must not be empty or contain '+', '#' or '/'";
    }
    if (m.certFile.empty() != m.keyFile.empty()) {
        return "cert_file and key_file go together";
    }
    if (!m.tls && (!m.caFile.empty() || !m.certFile.empty())) {
        return "ca_file, cert_file and key_file need tls = true";
    }
    if (!m.passwordFile.empty() && m.username.empty()) {
        return "password_file needs a username";
    }
    return {};
}

std::optional<std::string> readPasswordFile(const std::string& file, std::string& error) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        error = "password_file " + file + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat st {};
    std::string password;
    if (::fstat(fd, &st) != 0) {
        error = "password_file " + file + ": " + std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        error = "password_file " + file + " is not a regular file";
    } else if ((st.st_mode & 077) != 0) {
        error = "password_file " + file + " is open to its group or others (chmod 600 it)";
    } else {
        char buffer[4096];
        ssize_t n = 0;
        while (password.size() <= kPasswordLimit && (n = ::read(fd, buffer, sizeof buffer)) > 0) {
            password.append(buffer, static_cast<std::size_t>(n));
            if (password.find('\n') != std::string::npos) {
                break;
            }
        }
        if (n < 0) {
            error = "password_file " + file + ": " + std::strerror(errno);
        }
        password = password.substr(0, password.find('\n'));
        if (!password.empty() && password.back() == '\r') {
            password.pop_back();
        }
        if (error.empty() && password.size() > kPasswordLimit) {
            error = "password_file " + file + ": the password is too long";
        }
    }
    ::close(fd);
    if (!error.empty()) {
        return std::nullopt;
    }
    return password;
}

} // namespace remote::mqtt
