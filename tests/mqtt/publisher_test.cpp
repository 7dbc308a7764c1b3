// The publisher against a real broker: what arrives, on which topic, and that no alarm is
// lost while the broker is away or the station is killed.
#include "broker.h"

#include "remote/history/historywriter.h"
#include "remote/link/protocol.h"
#include "remote/mqtt/mqttpublisher.h"
#include "remote/mqtt/outbox.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <thread>

using namespace remote;
using namespace mqtttest;
using namespace std::chrono_literals;

namespace {

class PublisherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        broker = std::make_unique<Broker>(path("broker"));
        ASSERT_TRUE(broker->start()) << broker->log();
    }

    std::filesystem::path path(const char* name) const {
        return std::filesystem::path(dir.path().toStdString()) / name;
    }
    std::filesystem::path historyFile() const { return path("alarm-history.sqlite3"); }

    mqtt::MqttSettings settings() const {
        mqtt::MqttSettings s;
        s.host = "127.0.0.1";
        s.port = broker->port();
        s.station = "test";
        return s;
    }

    void openHistory(std::uint64_t limit = mqtt::kOutboxLimit) {
        history::HistoryStoreOptions options;
        options.companion = mqtt::outboxCompanion(limit);
        writer = std::make_unique<history::HistoryWriter>(historyFile(), options);
        ASSERT_TRUE(writer->open()) << writer->problem();
    }

    void startPublisher() {
        mqtt::PublisherOptions options;
        options.lastRetry = 2s; // the broker's short outages end within a test's patience
        publisher = std::make_unique<mqtt::MqttPublisher>(settings(), historyFile(), options);
        publisher->start();
    }

    bool waitState(mqtt::BrokerState state, std::chrono::milliseconds timeout = 30s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (publisher->report().state != state) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    void raise(int channel, std::optional<std::string> clock = std::nullopt,
               int offsetSeconds = 0) {
        history::AlarmRecord alarm{
            0,
            m_ms += 1000,
            offsetSeconds,
            channel,
            link::protocol::AlarmChannelLabels[static_cast<std::size_t>(channel)],
            clock};
        writer->record(alarm,
                       [this](const history::AlarmRecord& stored) { publisher->onAlarm(stored); });
    }

    std::uint64_t waiting() { return mqtt::OutboxReader(historyFile()).waiting(); }

    bool waitOutboxEmpty() {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (waiting() != 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }

    static std::string lastOn(const std::vector<Message>& messages, const std::string& topic) {
        for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
            if (it->topic == topic) {
                return it->payload;
            }
        }
        return {};
    }

    static auto count(const std::string& topic, std::size_t n) {
        return [topic, n](const std::vector<Message>& messages) {
            std::size_t seen = 0;
            for (const Message& m : messages) {
                seen += m.topic == topic;
            }
            return seen >= n;
        };
    }

    QTemporaryDir dir;
    std::unique_ptr<Broker> broker;
    std::unique_ptr<history::HistoryWriter> writer;
    std::unique_ptr<mqtt::MqttPublisher> publisher;
    std::int64_t m_ms = 1'780'000'000'000; // 2026-05-28T20:26:40Z
};

// The publisher retries a broker that went away up to 60 s apart, and a loaded machine
// makes the outage long enough to reach the longer waits: a wait for what it sends once the
// broker is back outlasts the longest.
constexpr auto kPastTheLongestRetry = std::chrono::seconds(90);

TEST_F(PublisherTest, AlarmsStatusAndSettingsArriveOnTheirTopicsWithTheirPayloads) {
    Subscriber sub(broker->port(), "remote/test/#");
    ASSERT_TRUE(sub.waitSubscribed());
    openHistory();
    startPublisher();
    ASSERT_TRUE(waitState(mqtt::BrokerState::Connected)) << broker->log();

    mqtt::StationStatus status;
    status.link = "open";
    status.port = "/dev/ttyUSB0";
    status.detectorId = "QND-123456";
    status.serial = "12345678";
    publisher->setStatus(status);
    publisher->setSettings({{"SETID", "QND-123456"}, {"FREQV", "5"}});
    raise(2, "2024-05-01 12:30:05", 3600);
    raise(0);

    ASSERT_TRUE(sub.waitFor(count("remote/test/alarm", 2)));
    const auto alarms = sub.on("remote/test/alarm");
    EXPECT_EQ(
        alarms[0].payload,
        R"({"seq":1,"channel":2,"label":"Ext1(CH1) :","time":"2026-05-28T21:26:41.000+01:00",)"
        R"("detector_clock":"2024-05-01 12:30:05"})");
    EXPECT_EQ(alarms[1].payload,
              R"({"seq":2,"channel":0,"label":"RF Signal :",)"
              R"("time":"2026-05-28T20:26:42.000+00:00","detector_clock":null})");
    EXPECT_FALSE(alarms[0].retained);

    const std::string online = R"({"state":"online","link":"open","port":"/dev/ttyUSB0",)"
                               R"("detector_id":"QND-123456","serial":"12345678","dropped":0})";
    ASSERT_TRUE(sub.waitFor([&](const std::vector<Message>& messages) {
        bool status = false;
        bool settings = false;
        for (const Message& m : messages) {
            status |= m.topic == "remote/test/status" && m.payload == online;
            settings |= m.topic == "remote/test/settings" &&
                        m.payload == R"({"SETID":"QND-123456","FREQV":"5"})";
        }
        return status && settings;
    }));
    EXPECT_TRUE(waitOutboxEmpty()) << "acknowledged alarms leave the outbox";

    // Retained: a dashboard that subscribes later is told the state at once.
    Subscriber late(broker->port(), "remote/test/+", "late");
    ASSERT_TRUE(late.waitFor([&](const std::vector<Message>& messages) {
        bool status = false;
        bool settings = false;
        for (const Message& m : messages) {
            status |= m.topic == "remote/test/status" && m.retained && m.payload == online;
            settings |= m.topic == "remote/test/settings" && m.retained;
        }
        return status && settings;
    }));
    EXPECT_TRUE(late.on("remote/test/alarm").empty()) << "alarms are not retained";

    // A clean end says offline in place of the last will.
    publisher.reset();
    ASSERT_TRUE(sub.waitFor([](const std::vector<Message>& messages) {
        return lastOn(messages, "remote/test/status").find(R"("state":"offline")") !=
               std::string::npos;
    }));
}

TEST_F(PublisherTest, AlarmsRaisedWhileTheBrokerIsDownAllArriveInOrderWhenItIsBack) {
    auto sub = std::make_unique<Subscriber>(broker->port(), "remote/test/alarm");
    ASSERT_TRUE(sub->waitSubscribed());
    openHistory();
    startPublisher();
    ASSERT_TRUE(waitState(mqtt::BrokerState::Connected));
    raise(1);
    ASSERT_TRUE(sub->waitFor(count("remote/test/alarm", 1)));

    broker->stop();
    ASSERT_TRUE(waitState(mqtt::BrokerState::Unreachable));
    for (int i = 0; i < 100; ++i) {
        raise(i % history::kChannelCount);
    }
    EXPECT_EQ(waiting(), 100u);
    std::this_thread::sleep_for(2s); // a few seconds away, retries failing
    EXPECT_EQ(waiting(), 100u);
    EXPECT_NE(publisher->report().state, mqtt::BrokerState::Connected);

    ASSERT_TRUE(broker->start()) << broker->log();
    ASSERT_TRUE(sub->waitFor(
        [](const std::vector<Message>& messages) {
            return inOrderWithoutGaps(seqs(messages), 1, 101);
        },
        kPastTheLongestRetry))
        << ::testing::PrintToString(seqs(sub->messages()));
    EXPECT_TRUE(waitOutboxEmpty());
}

TEST_F(PublisherTest, TheOutboxKeepsTheNewestAlarmsAndCountsTheDropped) {
    broker->stop();
    openHistory(10);
    startPublisher();
    for (int i = 0; i < 25; ++i) {
        raise(3);
    }
    {
        mqtt::OutboxReader outbox(historyFile());
        const auto entries = outbox.next(0, 100);
        ASSERT_EQ(entries.size(), 10u);
        EXPECT_EQ(entries.front().seq, 16);
        EXPECT_EQ(entries.back().seq, 25);
        EXPECT_EQ(outbox.dropped(), 15u);
    }
    // The history itself keeps every alarm.
    EXPECT_EQ(writer->store()->read({}).size(), 25u);

    ASSERT_TRUE(broker->start());
    Subscriber sub(broker->port(), "remote/test/#");
    ASSERT_TRUE(sub.waitFor(
        [](const std::vector<Message>& messages) {
            bool dropped = false;
            for (const Message& m : messages) {
                dropped |= m.topic == "remote/test/status" &&
                           m.payload.find(R"("dropped":15)") != std::string::npos;
            }
            return dropped && inOrderWithoutGaps(seqs(messages), 16, 25);
        },
        kPastTheLongestRetry));
    EXPECT_EQ(publisher->report().dropped, 15u);
    EXPECT_NE(mqtt::describe(publisher->report(), settings()).find("15 dropped"),
              std::string::npos);
}

// A damaged history is set aside and a new file takes its place: the publisher follows the
// new file, whose seq starts again.
TEST_F(PublisherTest, AHistoryFileReplacedUnderThePublisherIsFollowed) {
    Subscriber sub(broker->port(), "remote/test/alarm");
    ASSERT_TRUE(sub.waitSubscribed());
    openHistory();
    startPublisher();
    raise(1);
    raise(1);
    ASSERT_TRUE(sub.waitFor(count("remote/test/alarm", 2)));
    ASSERT_TRUE(waitOutboxEmpty());

    writer.reset();
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::error_code ignored;
        std::filesystem::rename(historyFile().string() + suffix,
                                historyFile().string() + ".old" + suffix, ignored);
    }
    openHistory();
    raise(5);
    ASSERT_TRUE(sub.waitFor(count("remote/test/alarm", 3)));
    EXPECT_NE(sub.on("remote/test/alarm")[2].payload.find(R"({"seq":1,"channel":5,)"),
              std::string::npos)
        << sub.on("remote/test/alarm")[2].payload;
    EXPECT_TRUE(waitOutboxEmpty());
}

// ---- The station as a process ----

class StationProcess {
public:
    StationProcess(const std::filesystem::path& history, int port) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(STATION_HELPER),
                        {QString::fromStdString(history.string()), QString::number(port),
                         QStringLiteral("test")});
    }
    ~StationProcess() {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    void send(const QByteArray& line) {
        m_process.write(line + '\n');
        m_process.waitForBytesWritten(5000);
    }
    // Waits for a line of its output.
    bool waitLine(const QByteArray& line, int timeoutMs = 30000) {
        QDeadlineTimer deadline(timeoutMs);
        while (!m_output.contains('\n' + line + '\n')) {
            if (deadline.hasExpired() || m_process.state() != QProcess::Running) {
                return false;
            }
            m_process.waitForReadyRead(100);
            m_output += m_process.readAll();
        }
        return true;
    }
    void killHard() {
        ::kill(static_cast<pid_t>(m_process.processId()), SIGKILL);
        m_process.waitForFinished(10000);
    }

private:
    QProcess m_process;
    QByteArray m_output = "\n";
};

TEST_F(PublisherTest, AStationKilledWithABacklogSendsItAfterItStartsAgain) {
    Subscriber sub(broker->port(), "remote/test/#");
    ASSERT_TRUE(sub.waitSubscribed());
    broker->stop();
    {
        StationProcess station(historyFile(), broker->port());
        for (int i = 0; i < 30; ++i) {
            station.send("alarm " + QByteArray::number(i % 9));
        }
        ASSERT_TRUE(station.waitLine("stored 30"));
        station.killHard();
    }
    ASSERT_TRUE(broker->start());
    StationProcess again(historyFile(), broker->port());
    ASSERT_TRUE(sub.waitFor([](const std::vector<Message>& messages) {
        return inOrderWithoutGaps(seqs(messages), 1, 30);
    })) << ::testing::PrintToString(seqs(sub.messages()));

    // Killed while connected: the broker says offline for it, as its last will.
    ASSERT_TRUE(sub.waitFor([](const std::vector<Message>& messages) {
        return lastOn(messages, "remote/test/status").find(R"("state":"online")") !=
               std::string::npos;
    }));
    again.killHard();
    ASSERT_TRUE(sub.waitFor([](const std::vector<Message>& messages) {
        return lastOn(messages, "remote/test/status").find(R"("state":"offline")") !=
               std::string::npos;
    }));
    EXPECT_EQ(mqtt::OutboxReader(historyFile()).waiting(), 0u);
}

} // namespace
