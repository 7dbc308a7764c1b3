#include "remote/alerts/commandqueue.h"

#include <gtest/gtest.h>

#include <set>

using remote::alerts::CommandJob;
using remote::alerts::CommandQueue;

namespace {

// Records what the queue asks for; the test says when each job ends.
class FakeLauncher : public CommandQueue::Launcher {
public:
    void start(CommandQueue::JobId id, const CommandJob& job) override {
        started.push_back(id);
        names[id] = job.arguments.empty() ? "" : job.arguments.back();
        running.insert(id);
        if (failStarts && queue) {
            running.erase(id);
            queue->finished(id, 0);
        }
    }
    void kill(CommandQueue::JobId id) override { killed.push_back(id); }

    CommandQueue* queue = nullptr;
    bool failStarts = false;
    std::vector<CommandQueue::JobId> started;
    std::vector<CommandQueue::JobId> killed;
    std::map<CommandQueue::JobId, std::string> names;
    std::set<CommandQueue::JobId> running;
};

CommandJob job(int n) {
    return CommandJob{{"/usr/bin/siren", std::to_string(n)}, {{"REMOTE_ALARM_CHANNEL", "1"}}};
}

class Queue : public ::testing::Test {
protected:
    void SetUp() override { launcher.queue = &queue; }
    void end(CommandQueue::JobId id, std::int64_t now) {
        launcher.running.erase(id);
        queue.finished(id, now);
    }
    FakeLauncher launcher;
    CommandQueue queue{launcher, CommandQueue::Limits{4, 16, 30'000}};
};

} // namespace

// 100 alarms at once: 4 run, 16 wait, 80 are dropped; as runs end the waiting ones start
// in order, never more than 4 at a time.
TEST_F(Queue, AFloodRunsFourAtOnceQueuesSixteenAndCountsTheRestAsDropped) {
    int accepted = 0;
    for (int i = 0; i < 100; ++i) {
        accepted += queue.submit(job(i), i * 10) ? 1 : 0;
    }
    EXPECT_EQ(accepted, 20);
    EXPECT_EQ(queue.dropped(), 80u);
    EXPECT_EQ(queue.running(), 4);
    EXPECT_EQ(queue.waiting(), 16u);
    std::int64_t now = 1000;
    while (!launcher.running.empty()) {
        EXPECT_LE(launcher.running.size(), 4u);
        end(*launcher.running.begin(), now += 100);
    }
    EXPECT_EQ(launcher.started.size(), 20u);
    EXPECT_EQ(queue.mostRunning(), 4);
    std::vector<std::string> order;
    for (const auto id : launcher.started) {
        order.push_back(launcher.names[id]);
    }
    EXPECT_EQ(order.front(), "0");
    EXPECT_EQ(order.back(), "19") << "first come, first run; the dropped are the latest";
    EXPECT_EQ(queue.running(), 0);
    EXPECT_TRUE(queue.submit(job(200), now)) << "room again once the flood has passed";
}

// The limit is measured from each run's own start; a run at the limit is killed once,
// and its end says it was killed.
TEST_F(Queue, ARunPastItsLimitIsKilledOnceAndItsEndSaysSo) {
    queue.submit(job(0), 0);
    queue.submit(job(1), 10'000);
    EXPECT_EQ(queue.nextDeadline(), 30'000);
    queue.expire(29'999);
    EXPECT_TRUE(launcher.killed.empty());
    queue.expire(30'000);
    EXPECT_EQ(launcher.killed, (std::vector<CommandQueue::JobId>{launcher.started[0]}));
    EXPECT_EQ(queue.nextDeadline(), 40'000);
    queue.expire(35'000);
    EXPECT_EQ(launcher.killed.size(), 1u) << "killed once, even if it takes time to die";
    EXPECT_EQ(queue.running(), 2) << "a killed run counts until it has ended";
    EXPECT_TRUE(queue.finished(launcher.started[0], 35'001));
    EXPECT_FALSE(queue.finished(launcher.started[1], 35'002));
    EXPECT_FALSE(queue.finished(999, 35'003)) << "an unknown id";
    EXPECT_EQ(queue.nextDeadline(), -1);
}

// A run that cannot start ends inside start(); the queue moves on to the next without
// losing count.
TEST_F(Queue, RunsThatFailToStartFreeTheirPlaceAtOnce) {
    launcher.failStarts = true;
    for (int i = 0; i < 30; ++i) {
        EXPECT_TRUE(queue.submit(job(i), 0));
    }
    EXPECT_EQ(launcher.started.size(), 30u);
    EXPECT_EQ(queue.running(), 0);
    EXPECT_EQ(queue.waiting(), 0u);
    EXPECT_EQ(queue.dropped(), 0u);
}

TEST(QueueLimits, NonsenseLimitsStillRunOneAtATimeWithAShortLimit) {
    FakeLauncher launcher;
    CommandQueue queue(launcher, CommandQueue::Limits{0, 0, -5});
    EXPECT_TRUE(queue.submit(job(0), 0));
    EXPECT_FALSE(queue.submit(job(1), 0));
    EXPECT_EQ(queue.running(), 1);
    queue.expire(1);
    EXPECT_EQ(launcher.killed.size(), 1u);
}
