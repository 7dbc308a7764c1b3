// How fast a backlog leaves the outbox: N alarms stored while no broker runs, then a real
// mosquitto on 127.0.0.1 is started with a subscriber, and the publisher is started; the
// time from its start to the last alarm at the subscriber (and the outbox empty) is the
// drain. Prints alarms per second. Usage: mqtt_drain [alarms] [rounds]
#include "mqtt/broker.h"

#include "remote/history/historywriter.h"
#include "remote/link/protocol.h"
#include "remote/mqtt/mqttpublisher.h"
#include "remote/mqtt/outbox.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace remote;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double drainOnce(const std::filesystem::path& folder, int alarms) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto file = folder / "alarm-history.sqlite3";
    history::HistoryStoreOptions options;
    options.companion = mqtt::outboxCompanion();
    history::HistoryWriter writer(file, options);
    if (!writer.open()) {
        std::fprintf(stderr, "%s\n", writer.problem().c_str());
        std::exit(1);
    }
    const auto filled = Clock::now();
    for (int i = 0; i < alarms; ++i) {
        const int channel = i % history::kChannelCount;
        writer.record({0, 1'780'000'000'000 + i * 1000LL, 3600, channel,
                       link::protocol::AlarmChannelLabels[static_cast<std::size_t>(channel)],
                       "2026-05-28 21:26:40"},
                      {});
    }
    std::printf("  stored %d alarms with their outbox rows in %.2f s\n", alarms,
                seconds(Clock::now() - filled));

    mqtttest::Broker broker(folder / "broker");
    if (!broker.start()) {
        std::fprintf(stderr, "the broker did not start\n");
        std::exit(1);
    }
    mqtttest::Subscriber sub(broker.port(), "remote/drain/alarm", "drain-sub");
    sub.waitSubscribed();
    mqtt::MqttSettings settings;
    settings.host = "127.0.0.1";
    settings.port = broker.port();
    settings.station = "drain";
    mqtt::MqttPublisher publisher(settings, file);
    const auto start = Clock::now();
    publisher.start();
    const std::size_t n = static_cast<std::size_t>(alarms);
    sub.waitFor([n](const auto& messages) { return messages.size() >= n; },
                std::chrono::minutes(10));
    const auto received = Clock::now();
    mqtt::OutboxReader outbox(file);
    while (outbox.waiting() != 0 && Clock::now() - received < std::chrono::minutes(1)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto empty = Clock::now();
    const auto seqs = mqtttest::seqs(sub.messages());
    if (!mqtttest::inOrderWithoutGaps(seqs, 1, alarms)) {
        std::fprintf(stderr, "alarms missing or out of order\n");
        std::exit(1);
    }
    std::printf("  all %d at the subscriber after %.3f s, outbox empty after %.3f s\n", alarms,
                seconds(received - start), seconds(empty - start));
    return alarms / seconds(empty - start);
}

} // namespace

int main(int argc, char** argv) {
    const int alarms = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10'000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    char pattern[] = "/tmp/mqtt-drain.XXXXXX";
    const char* folder = ::mkdtemp(pattern);
    if (!folder) {
        return 1;
    }
    std::vector<double> rates;
    for (int r = 0; r < rounds; ++r) {
        std::printf("round %d\n", r + 1);
        rates.push_back(drainOnce(std::filesystem::path(folder) / "round", alarms));
        std::printf("  drain: %.0f alarms/s\n", rates.back());
    }
    std::sort(rates.begin(), rates.end());
    std::printf("median drain of %d alarms over %d rounds: %.0f alarms/s (%.0f to %.0f)\n", alarms,
                rounds, rates[rates.size() / 2], rates.front(), rates.back());
    std::filesystem::remove_all(folder);
    return 0;
}
