#include "remote/recording/replayscheduler.h"

#include <gtest/gtest.h>

#include <limits>

using namespace remote::recording;

namespace {

std::vector<Chunk> recording() {
    return {
        {1000, Direction::Sent, {'P'}},        {1000, Direction::Received, {'a'}},
        {401'000, Direction::Received, {'b'}}, {401'500, Direction::Sent, {'Q'}},
        {801'000, Direction::Received, {'c'}},
    };
}

std::string text(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

} // namespace

TEST(ReplayScheduler, EachReceivedChunkIsDueAtItsScaledTime) {
    struct Case {
        int speed;
        std::uint64_t bAt; // offset of the second received chunk, µs
    };
    for (const Case c : {Case{1, 400'000}, Case{4, 100'000}, Case{16, 25'000}}) {
        ReplayScheduler s(recording(), c.speed);
        const std::uint64_t t0 = 7'000'000;
        s.start(t0);
        EXPECT_EQ(text(s.due(t0)), "a");
        EXPECT_EQ(s.nextDueUs(), t0 + c.bAt);
        EXPECT_EQ(text(s.due(t0 + c.bAt - 1)), "");
        EXPECT_EQ(text(s.due(t0 + c.bAt)), "b");
        // Late wake-ups hand over everything that is due, in order.
        EXPECT_EQ(text(s.due(t0 + 100 * c.bAt)), "c");
        EXPECT_TRUE(s.finished());
        EXPECT_EQ(s.chunksPlayed(), 3u) << "sent chunks are not replayed";
        EXPECT_FALSE(s.nextDueUs());
    }
}

TEST(ReplayScheduler, AsFastAsPossibleHandsOutBoundedSlices) {
    std::vector<Chunk> big;
    for (int i = 0; i < 300; ++i) {
        big.push_back({static_cast<std::uint64_t>(i) * 1'000'000, Direction::Received,
                       std::vector<std::uint8_t>(1000, static_cast<std::uint8_t>(i))});
    }
    ReplayScheduler s(big, 0);
    s.start(0);
    std::size_t total = 0;
    int slices = 0;
    while (!s.finished()) {
        const auto bytes = s.due(0); // the clock never moves
        ASSERT_FALSE(bytes.empty());
        EXPECT_LE(bytes.size(), ReplayScheduler::kFastSlice + 1000);
        total += bytes.size();
        ++slices;
    }
    EXPECT_EQ(total, 300'000u);
    EXPECT_GT(slices, 1);
}

TEST(ReplayScheduler, EmptyAndBackwardRecordingsEndCleanly) {
    ReplayScheduler empty(std::vector<Chunk>{}, 1);
    empty.start(0);
    EXPECT_TRUE(empty.finished());
    EXPECT_TRUE(empty.due(1'000'000).empty());

    ReplayScheduler backwards(
        {{500, Direction::Received, {'x'}}, {100, Direction::Received, {'y'}}}, 1);
    backwards.start(0);
    EXPECT_EQ(text(backwards.due(0)), "xy");
}

TEST(ReplayScheduler, ATimeFarAheadWaitsInsteadOfWrappingRound) {
    ReplayScheduler s({{0, Direction::Received, {'x'}},
                       {std::numeric_limits<std::uint64_t>::max(), Direction::Received, {'y'}}},
                      1);
    const std::uint64_t t0 = 5'000'000;
    s.start(t0);
    EXPECT_EQ(text(s.due(t0)), "x");
    EXPECT_EQ(s.nextDueUs(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(text(s.due(t0 + 3'600'000'000)), "") << "an hour later it is still not due";
    EXPECT_FALSE(s.finished());
}
