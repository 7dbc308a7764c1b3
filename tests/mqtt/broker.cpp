#include "broker.h"

#include <mosquitto.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mqtttest {
namespace {

int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

} // namespace

Broker::Broker(std::filesystem::path folder)
    : m_folder(std::move(folder))
    , m_port(freePort()) {
    std::filesystem::create_directories(m_folder / "data");
}

Broker::~Broker() {
    stop();
}

void Broker::useTls(const Tls& tls) {
    m_tlsPort = freePort();
    m_extra += "listener " + std::to_string(m_tlsPort) + " 127.0.0.1\n";
    m_extra += "cafile " + tls.ca.string() + "\ncertfile " + tls.cert.string() + "\nkeyfile " +
               tls.key.string() + "\n";
    if (tls.requireCertificate) {
        m_extra += "require_certificate true\n";
    }
}

void Broker::addUser(const std::string& name, const std::string& password) {
    const std::filesystem::path file = m_folder / "passwords";
    const std::string command = std::string("mosquitto_passwd -b ") + (m_users ? "" : "-c ") + "'" +
                                file.string() + "' '" + name + "' '" + password +
                                "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    if (!m_users) {
        m_extra += "password_file " + file.string() + "\n";
        m_users = true;
    }
}

bool Broker::start() {
    if (m_pid > 0) {
        return true;
    }
    const std::filesystem::path config = m_folder / "mosquitto.conf";
    {
        std::ofstream out(config);
        // Run as whoever runs the test: started by root, the broker would otherwise become
        // "mosquitto" and lose its way into the scratch folder.
        const passwd* user = ::getpwuid(::geteuid());
        out << "user " << (user ? user->pw_name : "root") << "\n"
            << "listener " << m_port << " 127.0.0.1\n"
            << "allow_anonymous " << (m_users ? "false" : "true") << "\n"
            << "persistence true\n"
            << "max_queued_messages 100000\n"
            << "persistence_location " << (m_folder / "data").string() << "/\n"
            << "log_dest file " << (m_folder / "broker.log").string() << "\n"
            << "log_type all\n"
            << m_extra;
    }
    const std::string output = (m_folder / "broker.out").string();
    m_pid = ::fork();
    if (m_pid == 0) {
        const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::dup2(fd, STDOUT_FILENO);
            ::dup2(fd, STDERR_FILENO);
        }
        ::execl(MOSQUITTO_BROKER, "mosquitto", "-c", config.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (m_pid < 0) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (accepts(m_port)) {
            return true;
        }
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void Broker::stop() {
    if (m_pid <= 0) {
        return;
    }
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

std::string Broker::log() const {
    std::ifstream in(m_folder / "broker.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Subscriber::Subscriber(int port, const std::string& topic, const std::string& clientId)
    : m_topic(topic) {
    mosquitto_lib_init();
    m_client = mosquitto_new(clientId.c_str(), false, this);
    mosquitto_message_callback_set(m_client, &Subscriber::onMessage);
    mosquitto_connect_callback_set(m_client, &Subscriber::onConnect);
    mosquitto_subscribe_callback_set(m_client, &Subscriber::onSubscribe);
    // Back soon after a broker restart.
    mosquitto_reconnect_delay_set(m_client, 1, 1, false);
    mosquitto_connect_async(m_client, "127.0.0.1", port, 30);
    mosquitto_loop_start(m_client);
}

Subscriber::~Subscriber() {
    mosquitto_disconnect(m_client);
    mosquitto_loop_stop(m_client, true);
    mosquitto_destroy(m_client);
    mosquitto_lib_cleanup();
}

void Subscriber::onConnect(mosquitto* client, void* self, int rc) {
    if (rc == 0) {
        mosquitto_subscribe(client, nullptr, static_cast<Subscriber*>(self)->m_topic.c_str(), 1);
    }
}

void Subscriber::onSubscribe(mosquitto*, void* self, int, int, const int*) {
    auto* s = static_cast<Subscriber*>(self);
    {
        const std::lock_guard lock(s->m_mutex);
        s->m_subscribed = true;
    }
    s->m_changed.notify_all();
}

void Subscriber::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto* s = static_cast<Subscriber*>(self);
    {
        const std::lock_guard lock(s->m_mutex);
        s->m_messages.push_back({message->topic,
                                 std::string(static_cast<const char*>(message->payload),
                                             static_cast<std::size_t>(message->payloadlen)),
                                 message->retain});
    }
    s->m_changed.notify_all();
}

bool Subscriber::waitSubscribed(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return m_subscribed; });
}

bool Subscriber::waitFor(const std::function<bool(const std::vector<Message>&)>& condition,
                         std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return condition(m_messages); });
}

std::vector<Message> Subscriber::messages() const {
    const std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<Message> Subscriber::on(const std::string& topic) const {
    std::vector<Message> out;
    for (const Message& m : messages()) {
        if (m.topic == topic) {
            out.push_back(m);
        }
    }
    return out;
}

std::vector<long long> seqs(const std::vector<Message>& messages) {
    std::vector<long long> out;
    for (const Message& m : messages) {
        const auto at = m.payload.find("\"seq\":");
        if (at != std::string::npos) {
            out.push_back(std::atoll(m.payload.c_str() + at + 6));
        }
    }
    return out;
}

bool inOrderWithoutGaps(const std::vector<long long>& seqs, long long first, long long last) {
    long long next = first;
    for (const long long s : seqs) {
        if (s == next) {
            ++next;
        } else if (s > next || s < first) {
            return false; // a gap, or one from elsewhere
        }
        // below next: a repeat of one already seen
    }
    return next == last + 1;
}

} // namespace mqtttest
