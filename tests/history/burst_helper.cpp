// Feeds alarm bursts through the link into a history file and prints the id of every alarm
// as soon as the tick that showed it has returned, until it is killed.
#include "link/linkfakes.h"
#include "remote/history/alarmwatch.h"
#include "remote/history/historystore.h"
#include "tests/support/deviceframes.h"

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s HISTORY_FILE\n", argv[0]);
        return 2;
    }
    using namespace remote::history;
    HistoryStore store(argv[1]);
    std::vector<std::int64_t> shown;
    std::int64_t now = 0;
    linktest::RecordingView view;
    linktest::RecordingPort port;
    AlarmWatch watch(
        view,
        [&now] {
            return AlarmWatch::Now{now, 0};
        },
        [&](const AlarmRecord& r) {
            AlarmRecord stored = r;
            store.insert(stored);
            shown.push_back(stored.id);
        });
    remote::link::MonitorLink link(watch, port);
    for (;;) {
        for (int channel = 0; channel < kChannelCount; ++channel) {
            link.OnReceive(remote::link::device::AlarmCode(channel));
        }
        for (int tick = 0; tick < 12; ++tick) {
            now += 100;
            link.Timer1_Timer();
            for (const std::int64_t id : shown) {
                std::printf("%lld\n", static_cast<long long>(id));
            }
            if (!shown.empty()) {
                std::fflush(stdout);
            }
            shown.clear();
        }
    }
}
