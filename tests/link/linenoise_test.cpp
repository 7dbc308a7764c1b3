#include "remote/link/alarmchannels.h"
#include "remote/link/monitorlink.h"
#include "remote/link/receiveparser.h"
#include "tests/support/deviceframes.h"

#include "linkfakes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using namespace remote::link;
using Bytes = std::vector<std::uint8_t>;

Bytes text(const std::string& s) {
    return {s.begin(), s.end()};
}

Bytes screenFrame() {
    std::string display = "head,one,two,three,four,five";
    display.resize(protocol::ShortScreenFrameSize - 1, '.');
    return device::RawScreenFrame(text(display));
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

template <std::size_t N>
Bytes bytes(const std::array<std::uint8_t, N>& a) {
    return {a.begin(), a.end()};
}

struct NoiseCase {
    std::string name;
    Bytes wire; // always ends in a complete frame, so every byte before it is settled
    std::uint32_t dropped;
};

void PrintTo(const NoiseCase& c, std::ostream* os) {
    *os << c.name;
}

class LineNoise : public ::testing::TestWithParam<NoiseCase> {};

TEST_P(LineNoise, CountsTheBytesNoFrameSyncOrAlarmCodeTook) {
    for (const bool oneByOne : {false, true}) {
        ReceiveParser parser;
        AlarmChannels alarms;
        std::span<const std::uint8_t> rest = GetParam().wire;
        while (!rest.empty()) {
            const auto p = parser.push(rest.first(oneByOne ? 1 : rest.size()), alarms);
            rest = rest.subspan(p.used);
        }
        EXPECT_EQ(parser.DroppedInLastTicks(0), GetParam().dropped) << "one by one: " << oneByOne;
        EXPECT_EQ(parser.DroppedBytes(), GetParam().dropped);
    }
}

const device::Settings kSettings{};

INSTANTIATE_TEST_SUITE_P(
    Cases, LineNoise,
    ::testing::Values(
        NoiseCase{"CleanTraffic",
                  screenFrame() + device::SettingsFrame(kSettings) + bytes(device::AlarmCode(3)) +
                      screenFrame() + bytes(device::Acknowledgement()) +
                      bytes(device::AlarmCode(0)) + screenFrame() + screenFrame(),
                  0},
        NoiseCase{"BytesBeforeTheFirstSync", text("0123456789") + screenFrame(), 10},
        NoiseCase{
            "BytesAfterAnAcknowledgement",
            screenFrame() + bytes(device::Acknowledgement()) + text("garbage") + screenFrame(), 7},
        NoiseCase{"AlarmCodeAmidNoiseIsNotNoise",
                  text("xx") + bytes(device::AlarmCode(8)) + text("yy") + screenFrame(), 4},
        NoiseCase{"FrameCutShortBySync",
                  screenFrame() + text("STS,") + Bytes(40, 'a') + screenFrame(), 40},
        NoiseCase{"FrameGrowsPastTheLongest",
                  screenFrame() + text("STS,") + Bytes(200, 'a') + screenFrame(), 200},
        NoiseCase{"SettingsFrameCutShort",
                  screenFrame() + text("SETS") + Bytes(20, 1) + screenFrame(), 20}),
    [](const auto& info) { return info.param.name; });

TEST(LineNoiseTicks, KeepsEachTicksCountForTheWindowAsked) {
    ReceiveParser parser;
    AlarmChannels alarms;
    const Bytes noise = text("noise") + screenFrame();
    parser.push(noise, alarms);
    ASSERT_EQ(parser.DroppedInLastTicks(0), 5u);
    for (int i = 0; i < 20; ++i) {
        parser.Tick();
    }
    EXPECT_EQ(parser.DroppedInLastTicks(19), 0u);
    EXPECT_EQ(parser.DroppedInLastTicks(20), 5u);
    parser.Tick();
    EXPECT_EQ(parser.DroppedInLastTicks(20), 0u);
    // Past the ring: every tick kept, no more; a negative window is this tick alone.
    EXPECT_EQ(parser.DroppedInLastTicks(1000), 5u);
    EXPECT_EQ(parser.DroppedInLastTicks(-5), 0u);
    for (int i = 0; i < ReceiveParser::kDropTicks; ++i) {
        parser.Tick();
    }
    EXPECT_EQ(parser.DroppedInLastTicks(1000), 0u);
    EXPECT_EQ(parser.DroppedBytes(), 5u);
}

TEST(LineNoiseTicks, PureNoiseIsAlmostAllDropped) {
    // Random bytes make a sync pattern or a frame end hardly ever: nearly every byte has to
    // be counted even when no sync pattern comes to settle it.
    ReceiveParser parser;
    AlarmChannels alarms;
    std::mt19937 random(7);
    Bytes noise(1 << 20);
    for (auto& b : noise) {
        b = static_cast<std::uint8_t>(random());
    }
    std::span<const std::uint8_t> rest = noise;
    while (!rest.empty()) {
        rest = rest.subspan(parser.push(rest, alarms).used);
    }
    EXPECT_LE(parser.DroppedBytes(), noise.size());
    EXPECT_GE(parser.DroppedBytes(), noise.size() - noise.size() / 100);
}

TEST(LineNoiseLink, ASettingsFrameWithABadChecksumIsNoiseAndTheWindowSpansTwoSeconds) {
    linktest::RecordingView view;
    linktest::RecordingPort port;
    MonitorLink link(view, port);
    auto bad = device::SettingsFrame(kSettings);
    bad[bad.size() - 2] ^= 1;
    link.OnReceive(bad);
    link.OnReceive(screenFrame());
    EXPECT_EQ(link.DroppedBytesRecently(), static_cast<std::uint32_t>(protocol::SettingsFrameSize));
    for (int i = 0; i < MonitorLink::kNoiseTicks; ++i) {
        link.Timer1_Timer();
    }
    EXPECT_EQ(link.DroppedBytesRecently(), static_cast<std::uint32_t>(protocol::SettingsFrameSize));
    link.Timer1_Timer();
    EXPECT_EQ(link.DroppedBytesRecently(), 0u);
    EXPECT_EQ(link.DroppedBytes(), static_cast<std::uint64_t>(protocol::SettingsFrameSize));
}

} // namespace
