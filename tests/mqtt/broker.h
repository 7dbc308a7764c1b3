#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <sys/types.h>

struct mosquitto;
struct mosquitto_message;

namespace mqtttest {

// A real mosquitto broker on 127.0.0.1 and a free port, with a configuration of its own in a
// scratch folder. Its sessions persist over a restart, so a subscriber that was away gets
// what was published meanwhile.
class Broker {
public:
    struct Tls {
        std::filesystem::path ca, cert, key;
        bool requireCertificate = false;
    };

    explicit Broker(std::filesystem::path folder);
    ~Broker();
    Broker(const Broker&) = delete;
    Broker& operator=(const Broker&) = delete;

    // A second listener, on tlsPort(), that speaks TLS only; before start().
    void useTls(const Tls& tls);
    // Adds a user with a password (mosquitto_passwd) and refuses anonymous clients.
    void addUser(const std::string& name, const std::string& password);

    bool start();
    void stop(); // SIGTERM: the broker saves its sessions and ends
    bool running() const { return m_pid > 0; }
    int port() const { return m_port; }
    int tlsPort() const { return m_tlsPort; }
    std::string log() const;

private:
    std::filesystem::path m_folder;
    int m_port = 0;
    int m_tlsPort = 0;
    pid_t m_pid = -1;
    std::string m_extra;
    bool m_users = false;
};

struct Message {
    std::string topic;
    std::string payload;
    bool retained = false;
};

// A subscriber on its own libmosquitto thread with a lasting session (QoS 1), so it is
// given what was published while it or the broker was away.
class Subscriber {
public:
    Subscriber(int port, const std::string& topic, const std::string& clientId = "test-sub");
    ~Subscriber();
    Subscriber(const Subscriber&) = delete;
    Subscriber& operator=(const Subscriber&) = delete;

    // True once the broker has granted the subscription.
    bool waitSubscribed(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Waits until condition holds over the messages so far; false after timeout.
    bool waitFor(const std::function<bool(const std::vector<Message>&)>& condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(30));
    std::vector<Message> messages() const;
    std::vector<Message> on(const std::string& topic) const;

private:
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);
    static void onConnect(mosquitto*, void* self, int rc);
    static void onSubscribe(mosquitto*, void* self, int, int, const int*);

    mosquitto* m_client = nullptr;
    std::string m_topic;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Message> m_messages;
    bool m_subscribed = false;
};

// The seq of each alarm payload, in arrival order.
std::vector<long long> seqs(const std::vector<Message>& messages);
// Whether seqs, repeats left out, are exactly first..last in order.
bool inOrderWithoutGaps(const std::vector<long long>& seqs, long long first, long long last);

} // namespace mqtttest
