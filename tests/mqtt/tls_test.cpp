// TLS and credentials against a real broker: a good certificate connects, a wrong CA, a
// refused client certificate and a wrong password are reported with their reasons, and
// alarms keep entering the outbox meanwhile.
#include "broker.h"

#include "remote/history/historywriter.h"
#include "remote/link/protocol.h"
#include "remote/mqtt/mqttpublisher.h"
#include "remote/mqtt/outbox.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <thread>

#include <sys/stat.h>

using namespace remote;
using namespace mqtttest;
using namespace std::chrono_literals;

namespace {

// Certificates made with the openssl command: a CA with a server and a client certificate,
// and a second CA the broker does not know, with a client certificate of its own.
class Certificates {
public:
    explicit Certificates(const std::filesystem::path& folder)
        : m_folder(folder) {
        std::ofstream(folder / "server.ext") << "subjectAltName=IP:127.0.0.1\n";
        ok = ca("ca") && ca("rogue") && signedBy("server", "ca", "server.ext") &&
             signedBy("client", "ca", "") && signedBy("stranger", "rogue", "");
    }
    std::filesystem::path operator()(const std::string& name) const { return m_folder / name; }
    bool ok = false;

private:
    bool run(const std::string& command) const {
        return std::system(
                   ("cd '" + m_folder.string() + "' && " + command + " >/dev/null 2>&1").c_str()) ==
               0;
    }
    bool ca(const std::string& name) const {
        return run("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
                   "-keyout " +
                   name + ".key -out " + name + ".crt -days 2 -subj /CN=" + name);
    }
    bool signedBy(const std::string& name, const std::string& ca, const std::string& ext) const {
        return run("openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout " +
                   name + ".key -out " + name + ".csr -subj /CN=" + name) &&
               run("openssl x509 -req -in " + name + ".csr -CA " + ca + ".crt -CAkey " + ca +
                   ".key -CAcreateserial -days 2 -out " + name + ".crt" +
                   (ext.empty() ? "" : " -extfile " + ext));
    }
    std::filesystem::path m_folder;
};

class BrokerSecurity : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        std::filesystem::create_directories(path("certs"));
        certs = std::make_unique<Certificates>(path("certs"));
        ASSERT_TRUE(certs->ok) << "openssl could not make the test certificates";
        broker = std::make_unique<Broker>(path("broker"));
        broker->useTls({(*certs)("ca.crt"), (*certs)("server.crt"), (*certs)("server.key"), true});
        history::HistoryStoreOptions options;
        options.companion = mqtt::outboxCompanion();
        writer = std::make_unique<history::HistoryWriter>(path("history.sqlite3"), options);
        ASSERT_TRUE(writer->open());
    }

    std::filesystem::path path(const char* name) const {
        return std::filesystem::path(dir.path().toStdString()) / name;
    }

    mqtt::MqttSettings tls(const char* ca, const char* cert, const char* key) const {
        mqtt::MqttSettings s;
        s.host = "127.0.0.1";
        s.port = broker->tlsPort();
        s.station = "secure";
        s.tls = true;
        s.caFile = (*certs)(ca).string();
        s.certFile = (*certs)(cert).string();
        s.keyFile = (*certs)(key).string();
        return s;
    }

    void start(const mqtt::MqttSettings& settings) {
        publisher = std::make_unique<mqtt::MqttPublisher>(settings, path("history.sqlite3"));
        publisher->start();
    }

    // Waits for a state other than connecting; the last seen then.
    mqtt::BrokerReport settled(std::chrono::milliseconds timeout = 30s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        mqtt::BrokerReport report = publisher->report();
        while (report.state == mqtt::BrokerState::Connecting &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
            report = publisher->report();
        }
        return report;
    }

    void raise(int channel) {
        history::AlarmRecord alarm{
            0,
            1'780'000'000'000,
            0,
            channel,
            link::protocol::AlarmChannelLabels[static_cast<std::size_t>(channel)],
            std::nullopt};
        writer->record(alarm,
                       [this](const history::AlarmRecord& stored) { publisher->onAlarm(stored); });
    }

    QTemporaryDir dir;
    std::unique_ptr<Certificates> certs;
    std::unique_ptr<Broker> broker;
    std::unique_ptr<history::HistoryWriter> writer;
    std::unique_ptr<mqtt::MqttPublisher> publisher;
};

TEST_F(BrokerSecurity, ACertificateTheBrokerTrustsConnectsAndPublishes) {
    ASSERT_TRUE(broker->start()) << broker->log();
    Subscriber sub(broker->port(), "remote/secure/alarm");
    ASSERT_TRUE(sub.waitSubscribed());
    start(tls("ca.crt", "client.crt", "client.key"));
    const mqtt::BrokerReport report = settled();
    ASSERT_EQ(report.state, mqtt::BrokerState::Connected) << report.reason << broker->log();
    raise(4);
    EXPECT_TRUE(sub.waitFor([](const std::vector<Message>& messages) {
        return !messages.empty() &&
               messages[0].payload.find(R"("seq":1,"channel":4)") != std::string::npos;
    }));
}

struct Refusal {
    const char* name;
    const char* ca;
    const char* cert;
    const char* key;
    const char* reason; // the TLS library's words, or one of them ("a|b")
};

class TlsRefusal : public BrokerSecurity, public ::testing::WithParamInterface<Refusal> {};

TEST_P(TlsRefusal, IsATlsFailureWithItsReasonAndAlarmsWaitInTheOutbox) {
    ASSERT_TRUE(broker->start()) << broker->log();
    start(tls(GetParam().ca, GetParam().cert, GetParam().key));
    const mqtt::BrokerReport report = settled();
    EXPECT_EQ(report.state, mqtt::BrokerState::TlsFailure) << report.reason;
    const std::string reasons = GetParam().reason;
    bool named = false;
    for (std::size_t at = 0; at != std::string::npos;) {
        const std::size_t bar = reasons.find('|', at);
        named |= report.reason.find(reasons.substr(at, bar - at)) != std::string::npos;
        at = bar == std::string::npos ? bar : bar + 1;
    }
    EXPECT_TRUE(named) << report.reason;
    EXPECT_GE(report.retrySeconds, 1) << "tried again later, not in a loop";
    raise(1);
    raise(2);
    EXPECT_EQ(mqtt::OutboxReader(path("history.sqlite3")).waiting(), 2u);
    EXPECT_NE(publisher->report().state, mqtt::BrokerState::Connected);
}

INSTANTIATE_TEST_SUITE_P(Mqtt, TlsRefusal,
                         ::testing::Values(
                             // The station does not trust the broker's certificate.
                             Refusal{"unknown_server", "rogue.crt", "client.crt", "client.key",
                                     "certificate verify failed"},
                             // The broker does not trust the station's.
                             Refusal{"refused_client", "ca.crt", "stranger.crt", "stranger.key",
                                     "unknown ca|during the handshake"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrokerSecurity, AWrongPasswordIsRefusedWithTheBrokersReason) {
    broker->addUser("station", "right");
    ASSERT_TRUE(broker->start()) << broker->log();
    const auto passwordFile = path("password");
    std::ofstream(passwordFile) << "wrong\n";
    ::chmod(passwordFile.c_str(), 0600);
    mqtt::MqttSettings s;
    s.host = "127.0.0.1";
    s.port = broker->port();
    s.station = "secure";
    s.username = "station";
    s.passwordFile = passwordFile.string();
    start(s);
    const mqtt::BrokerReport report = settled();
    EXPECT_EQ(report.state, mqtt::BrokerState::Refused);
    EXPECT_NE(report.reason.find("not authorised"), std::string::npos) << report.reason;
    raise(0);
    EXPECT_EQ(mqtt::OutboxReader(path("history.sqlite3")).waiting(), 1u);

    // The right one connects and sends what waited.
    std::ofstream(passwordFile) << "right\n";
    publisher.reset();
    start(s);
    EXPECT_EQ(settled().state, mqtt::BrokerState::Connected);
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (mqtt::OutboxReader(path("history.sqlite3")).waiting() != 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(mqtt::OutboxReader(path("history.sqlite3")).waiting(), 0u);
}

TEST_F(BrokerSecurity, APasswordFileOthersCanReadIsNotUsed) {
    const auto passwordFile = path("password");
    std::ofstream(passwordFile) << "right\n";
    ::chmod(passwordFile.c_str(), 0644);
    mqtt::MqttSettings s;
    s.host = "127.0.0.1";
    s.port = broker->port();
    s.station = "secure";
    s.username = "station";
    s.passwordFile = passwordFile.string();
    start(s);
    const mqtt::BrokerReport report = publisher->report();
    EXPECT_EQ(report.state, mqtt::BrokerState::Misconfigured);
    EXPECT_NE(mqtt::describe(report, s).find("group or others"), std::string::npos)
        << mqtt::describe(report, s);
}

} // namespace
