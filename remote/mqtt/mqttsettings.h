#pragma once

#include <optional>
#include <string>

class QSettings;

namespace remote::mqtt {

// The [mqtt] group of the user's configuration file. An empty host switches publishing off.
struct MqttSettings {
    std::string host;
    int port = 1883; // 8883 when tls is on and no port is given
    bool tls = false;
    std::string caFile;
    std::string certFile;
    std::string keyFile;
    std::string username;
    std::string passwordFile;
    std::string prefix = "remote";
    std::string station; // the host name when not given

    bool enabled() const { return !host.empty(); }
    std::string topic(const char* leaf) const { return prefix + '/' + station + '/' + leaf; }
};

// Reads [mqtt] from settings (the user's remote.ini when null).
MqttSettings readMqttSettings(QSettings* settings = nullptr);

// Why the settings cannot be used ("station must not contain '+', '#' or '/'"); empty when
// they can.
std::string checkMqttSettings(const MqttSettings& settings);

// The password in a file only its owner can read: its first line. Nothing, with error set,
// when the file cannot be read, is open to its group or others, or is not a regular
// file.
std::optional<std::string> readPasswordFile(const std::string& file, std::string& error);

} // namespace remote::mqtt
