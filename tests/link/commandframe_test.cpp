#include "remote/link/commandframe.h"

#include "linkfakes.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>

namespace {

using namespace remote::link;
using linktest::hexBytes;

struct FrameCase {
    const char* name;
    std::function<CommandFrame()> build;
    const char* wire; // hexadecimal bytes as they go on the line
};

void PrintTo(const FrameCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandFrames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(CommandFrames, GoOnTheWireByteForByte) {
    const CommandFrame f = GetParam().build();
    const std::vector<std::uint8_t> expected = hexBytes(GetParam().wire);
    EXPECT_EQ(std::vector<std::uint8_t>(f.bytes().begin(), f.bytes().end()), expected);
    EXPECT_EQ(f.isLong(), expected.size() == 14);
    EXPECT_EQ(f.payload().size(), expected.size() - 2);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedFrames, CommandFrames,
    ::testing::Values(
        FrameCase{"Poll", PollCommand, "52 45 4D 4F 54 45 31 FD 0D"},
        FrameCase{"KeySPressed", [] { return KeyCommand('S', true); },
                  "4B 45 59 49 4E 53 31 04 0D"},
        FrameCase{"KeySReleased", [] { return KeyCommand('S', false); },
                  "4B 45 59 49 4E 53 30 03 0D"},
        FrameCase{"ReadSettings", ReadSettingsCommand, "00 00 00 00 00 53 45 54 44 41 54 41 06 0D"},
        FrameCase{"SaveRfTransmitTime45", [] { return SaveRfTransmitTimeCommand(4, 5); },
                  "00 00 00 00 00 53 41 56 45 33 04 05 6B 0D"},
        FrameCase{"SaveSwitchesBits0And2", [] { return SaveSwitchesCommand(5); },
                  "00 00 00 00 00 53 41 56 45 38 00 05 6C 0D"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Layouts, CommandFrames,
    ::testing::Values(
        FrameCase{"SaveDateTime",
                  [] {
                      return SaveDateTimeCommand({24, 12, 31, 23, 59});
                  },
                  "00 00 53 41 56 45 31 18 0C 1F 17 3B F5 0D"},
        FrameCase{"SaveId",
                  [] {
                      return SaveIdCommand({'A', 'B', '1', '2', 'C', 'D'});
                  },
                  "00 53 41 56 45 32 41 42 31 32 43 44 CE 0D"},
        FrameCase{"SaveLaserLevels", [] { return SaveLaserLevelsCommand(50, 99); },
                  "00 00 00 00 00 53 41 56 45 34 32 63 F8 0D"},
        FrameCase{"SaveLaserVolumes", [] { return SaveLaserVolumesCommand(60, 7); },
                  "00 00 00 00 00 53 41 56 45 35 3C 07 A7 0D"},
        FrameCase{"SaveChannelTimes",
                  [] {
                      return SaveChannelTimesCommand({14, 30, 60, 60, 5, 5, 10, 30, 30});
                  },
                  "53 56 36 0E 1E 3C 3C 05 05 0A 1E 1E D3 0D"},
        FrameCase{"SaveRepeatTime", [] { return SaveRepeatTimeCommand(24); },
                  "00 00 00 00 00 53 41 56 45 37 00 18 7E 0D"},
        FrameCase{"SaveSerial",
                  [] {
                      return SaveSerialCommand({'1', '2', '3', '4', '5', '6', '7', '8'});
                  },
                  "53 49 52 4E 31 32 33 34 35 36 37 38 E0 0D"},
        // The sum runs far past 255; only its low 8 bits are sent.
        FrameCase{"ChecksumKeepsLowEightBits",
                  [] {
                      return SaveSerialCommand({255, 255, 255, 255, 255, 255, 255, 255});
                  },
                  "53 49 52 4E FF FF FF FF FF FF FF FF 34 0D"},
        // A 13 inside the payload is a value like any other; the frame keeps its length.
        FrameCase{"CarriageReturnAsValue", [] { return SaveRepeatTimeCommand(13); },
                  "00 00 00 00 00 53 41 56 45 37 00 0D 73 0D"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FrameChecksum, IsTheSumModulo256) {
    std::array<std::uint8_t, 12> payload{};
    payload.fill(0x80);
    EXPECT_EQ(FrameChecksum(payload), 0); // 12 * 128 = 1536 = 6 * 256
    payload[0] = 0x81;
    EXPECT_EQ(FrameChecksum(payload), 1);
    EXPECT_EQ(FrameChecksum({}), 0);
}

TEST(CommandFrame, EveryFormHasItsChecksumAndEndsInCarriageReturn) {
    const std::array<std::uint8_t, 7> shortPayload{1, 2, 3, 4, 5, 6, 250};
    const CommandFrame s = CommandFrame::shortForm(shortPayload);
    ASSERT_EQ(s.bytes().size(), 9u);
    EXPECT_EQ(s.checksum(), static_cast<std::uint8_t>(271 % 256));
    EXPECT_EQ(s.bytes().back(), 13);
    EXPECT_FALSE(s.isLong());
}

} // namespace
