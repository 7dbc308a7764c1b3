#pragma once

#include "remote/history/alarmrecord.h"
#include "remote/mqtt/mqttsettings.h"
#include "remote/mqtt/payloads.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace remote::mqtt {

enum class BrokerState {
    Off,           // no host configured
    Misconfigured, // the settings or the password file cannot be used
    Connecting,
    Connected,
    Refused,     // the broker answered no: the reason is the broker's
    TlsFailure,  // the TLS handshake failed: the reason is the TLS library's
    Unreachable, // no answer, or the connection dropped: the reason is the system's
};

struct BrokerReport {
    BrokerState state = BrokerState::Off;
    std::string reason;
    std::uint64_t waiting = 0; // alarms in the outbox, not yet acknowledged
    std::uint64_t dropped = 0; // alarms dropped past the outbox's limit, ever
    int retrySeconds = 0;      // the next attempt, while not connected

    bool operator==(const BrokerReport&) const = default;
};

// One line for the status bar and the log: "MQTT: connected to host:1883",
// "MQTT: refused: not authorised (retry in 8 s), 3 alarms waiting".
std::string describe(const BrokerReport& report, const MqttSettings& settings);

struct PublisherOptions {
    std::chrono::milliseconds firstRetry{1000};
    std::chrono::milliseconds lastRetry{60'000};
    std::chrono::milliseconds connectTimeout{30'000};
    std::chrono::milliseconds finalWait{500}; // for the broker to take "offline" at the end
    std::size_t window = 200; // alarms handed to the library and not yet acknowledged
    int keepAliveSeconds = 30;
};

// Publishes the station's alarms, status and settings to an MQTT broker from threads of its
// own: libmosquitto's network thread and a pump that moves alarms from the outbox in the
// history file to the broker, in seq order, removing each only when the broker has
// acknowledged it. A broker that is away is tried again after 1 s, then twice as long each
// time up to 60 s. Every entry point may be called from any one thread (the window's);
// the report callback comes on the pump's thread.
class MqttPublisher {
public:
    using Reported = std::function<void(const BrokerReport&)>;

    MqttPublisher(MqttSettings settings, std::filesystem::path historyFile,
                  PublisherOptions options = {}, Reported reported = {});
    // Publishes "offline" (waiting at most finalWait for the broker) and disconnects.
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Starts the threads; nothing happens while the settings are off or unusable.
    void start();
    // Ends as the destructor does; the threads are gone when it returns.
    void stop();

    // The alarm is in the history file and its outbox: it is sent now when connected.
    void onAlarm(const history::AlarmRecord& alarm);
    // Published (retained) when it differs from the last one.
    void setStatus(const StationStatus& status);
    void setSettings(const SettingsSnapshot& settings);

    BrokerReport report() const;
    const MqttSettings& settings() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace remote::mqtt
