// A station reduced to its alarm path: the history file with its outbox and the publisher.
// Each line "alarm N" on standard input stores an alarm on channel N and prints "stored ID"
// once it is in the file; it runs until killed or until its input ends.
#include "remote/history/historywriter.h"
#include "remote/link/protocol.h"
#include "remote/mqtt/mqttpublisher.h"
#include "remote/mqtt/outbox.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s HISTORY_FILE PORT STATION\n", argv[0]);
        return 2;
    }
    using namespace remote;
    history::HistoryStoreOptions options;
    options.companion = mqtt::outboxCompanion();
    history::HistoryWriter writer(argv[1], options);
    if (!writer.open()) {
        std::fprintf(stderr, "%s\n", writer.problem().c_str());
        return 1;
    }
    mqtt::MqttSettings settings;
    settings.host = "127.0.0.1";
    settings.port = std::atoi(argv[2]);
    settings.station = argv[3];
    mqtt::PublisherOptions publisherOptions;
    publisherOptions.lastRetry = std::chrono::seconds(2);
    mqtt::MqttPublisher publisher(settings, argv[1], publisherOptions,
                                  [](const mqtt::BrokerReport& report) {
                                      if (report.state == mqtt::BrokerState::Connected) {
                                          std::printf("connected\n");
                                          std::fflush(stdout);
                                      }
                                  });
    publisher.start();
    std::string line;
    std::int64_t ms = 1'780'000'000'000;
    while (std::getline(std::cin, line)) {
        if (line.rfind("alarm ", 0) != 0) {
            continue;
        }
        const int channel = std::atoi(line.c_str() + 6);
        if (channel < 0 || channel >= history::kChannelCount) {
            continue;
        }
        history::AlarmRecord alarm{
            0,
            ms += 1000,
            0,
            channel,
            link::protocol::AlarmChannelLabels[static_cast<std::size_t>(channel)],
            std::nullopt};
        writer.record(alarm, [&publisher](const history::AlarmRecord& stored) {
            std::printf("stored %lld\n", static_cast<long long>(stored.id));
            std::fflush(stdout);
            publisher.onAlarm(stored);
        });
    }
    return 0;
}
