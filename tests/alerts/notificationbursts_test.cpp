#include "remote/alerts/notificationbursts.h"

#include <gtest/gtest.h>

using remote::alerts::NotificationBursts;
using remote::alerts::NotifyRequest;
using remote::history::AlarmRecord;

namespace {

AlarmRecord alarm(int channel, std::int64_t ms) {
    return AlarmRecord{0, ms, 3600, channel, "label", std::nullopt};
}

class Bursts : public ::testing::Test {
protected:
    NotificationBursts bursts{60'000};
};

} // namespace

// The first alarm opens a notification; the ones after it on the same channel replace it
// and count up, each once the id is known.
TEST_F(Bursts, ABurstReplacesItsChannelsNotificationAndCounts) {
    auto first = bursts.alarm(alarm(2, 1000));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->replacesId, 0u);
    EXPECT_EQ(first->count, 1);
    EXPECT_FALSE(bursts.shown(2, 17)) << "nothing waited";
    for (int i = 2; i <= 4; ++i) {
        auto next = bursts.alarm(alarm(2, 1000 + i * 1000));
        ASSERT_TRUE(next);
        EXPECT_EQ(next->replacesId, 17u);
        EXPECT_EQ(next->count, i);
        EXPECT_EQ(next->firstUtcMs, 1000);
        EXPECT_EQ(next->latest.utcMs, 1000 + i * 1000);
        bursts.shown(2, 17);
    }
    // Another channel has its own notification.
    auto other = bursts.alarm(alarm(5, 9000));
    ASSERT_TRUE(other);
    EXPECT_EQ(other->replacesId, 0u);
    EXPECT_EQ(other->count, 1);
    EXPECT_EQ(bursts.channelOf(17), 2);
    EXPECT_FALSE(bursts.channelOf(0));
}

// While the first call is unanswered, a flood only counts; the reply brings one call with
// the latest state, never one per alarm.
TEST_F(Bursts, AlarmsWhileACallIsOnItsWayGoOutAsOneCallAfterTheReply) {
    ASSERT_TRUE(bursts.alarm(alarm(0, 0)));
    for (int i = 1; i <= 50; ++i) {
        EXPECT_FALSE(bursts.alarm(alarm(0, i * 10)));
    }
    auto held = bursts.shown(0, 8);
    ASSERT_TRUE(held);
    EXPECT_EQ(held->replacesId, 8u);
    EXPECT_EQ(held->count, 51);
    EXPECT_EQ(held->latest.utcMs, 500);
    EXPECT_FALSE(bursts.alarm(alarm(0, 600))) << "the replacement is itself on its way";
    auto again = bursts.shown(0, 8);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->count, 52);
    EXPECT_FALSE(bursts.shown(0, 8));
}

TEST_F(Bursts, AQuietGapOrAClosedNotificationStartsANewCount) {
    ASSERT_TRUE(bursts.alarm(alarm(1, 0)));
    bursts.shown(1, 3);
    ASSERT_TRUE(bursts.alarm(alarm(1, 60'000)));
    bursts.shown(1, 3);
    auto afterGap = bursts.alarm(alarm(1, 120'001));
    ASSERT_TRUE(afterGap);
    EXPECT_EQ(afterGap->count, 1) << "more than a minute of quiet";
    EXPECT_EQ(afterGap->replacesId, 3u) << "still one notification for the channel";
    bursts.shown(1, 3);

    bursts.closed(3);
    EXPECT_FALSE(bursts.channelOf(3));
    auto afterClose = bursts.alarm(alarm(1, 120'500));
    ASSERT_TRUE(afterClose);
    EXPECT_EQ(afterClose->replacesId, 0u);
    EXPECT_EQ(afterClose->count, 1);
}

TEST_F(Bursts, AFailedCallLeavesNothingPendingAndBadChannelsAreIgnored) {
    ASSERT_TRUE(bursts.alarm(alarm(4, 0)));
    bursts.failed(4);
    auto next = bursts.alarm(alarm(4, 10));
    ASSERT_TRUE(next) << "a failed call must not hold back every later alarm";
    EXPECT_EQ(next->replacesId, 0u);
    for (const int bad : {-1, 9, 1 << 30}) {
        EXPECT_FALSE(bursts.alarm(alarm(bad, 0)));
        EXPECT_FALSE(bursts.shown(bad, 1));
        bursts.failed(bad);
    }
    bursts.closed(0);
    bursts.closed(12345);
}
