#include "core/commandreader.h"
#include "simframes.h"

#include <gtest/gtest.h>

using namespace detectorsim;
using simtest::Bytes;

namespace {

Bytes hex(std::string_view text) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < text.size() + 1; i += 3) {
        out.push_back(
            static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
    }
    return out;
}

struct WorkedFrame {
    const char* name;
    const char* wire;
    CommandKind kind;
    Bytes values;
};

class WorkedFrames : public testing::TestWithParam<WorkedFrame> {};

} // namespace

// The station's documented example frames are read as the commands they are, also when
// they arrive one byte at a time.
TEST_P(WorkedFrames, AreReadAsTheirCommand) {
    const WorkedFrame& f = GetParam();
    const Bytes wire = hex(f.wire);
    for (const bool byteByByte : {false, true}) {
        CommandReader reader;
        std::vector<ReadEvent> events;
        if (byteByByte) {
            for (auto b : wire) {
                for (auto& e : reader.feed(std::span(&b, 1))) {
                    events.push_back(e);
                }
            }
        } else {
            events = reader.feed(wire);
        }
        ASSERT_EQ(events.size(), 1u) << f.name;
        EXPECT_EQ(events[0].type, ReadEvent::Type::Command);
        EXPECT_EQ(events[0].command.kind, f.kind);
        EXPECT_EQ(events[0].command.values, f.values);
        EXPECT_EQ(events[0].bytes, wire);
        EXPECT_EQ(reader.pendingBytes(), 0u);
        EXPECT_EQ(buildCommand(f.kind, f.values), wire) << f.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Station, WorkedFrames,
    testing::Values(
        WorkedFrame{"poll", "52 45 4D 4F 54 45 31 FD 0D", CommandKind::Poll, {}},
        WorkedFrame{"key S down", "4B 45 59 49 4E 53 31 04 0D", CommandKind::Key, {'S', '1'}},
        WorkedFrame{"key S up", "4B 45 59 49 4E 53 30 03 0D", CommandKind::Key, {'S', '0'}},
        WorkedFrame{"read settings",
                    "00 00 00 00 00 53 45 54 44 41 54 41 06 0D",
                    CommandKind::ReadSettings,
                    {}},
        WorkedFrame{"rf time 45",
                    "00 00 00 00 00 53 41 56 45 33 04 05 6B 0D",
                    CommandKind::SaveRfTime,
                    {4, 5}},
        WorkedFrame{"switches 0 and 2",
                    "00 00 00 00 00 53 41 56 45 38 00 05 6C 0D",
                    CommandKind::SaveSwitches,
                    {5}}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) {
                c = '_';
            }
        }
        return name;
    });

// Every command's layout survives a round trip, with 13 as a value and as the checksum:
// a bare 13 inside a frame must not end it.
TEST(CommandReader, ThirteenInsideAFrameIsAValue) {
    struct Case {
        CommandKind kind;
        Bytes values;
    };
    const Case cases[] = {
        {CommandKind::SaveClock, {26, 12, 13, 13, 13}},
        {CommandKind::SaveId, {'A', 13, 'C', 'D', 'E', 'F'}},
        {CommandKind::SaveLaserLevels, {13, 13}},
        {CommandKind::SaveLaserVolumes, {13, 99}},
        {CommandKind::SaveChannelTimes, {13, 13, 13, 13, 13, 13, 13, 13, 13}},
        {CommandKind::SaveRepeatTime, {13}},
        {CommandKind::SaveSwitches, {13}},
        {CommandKind::SaveSerial, {'1', '2', '3', '4', '5', '6', '7', 13}},
    };
    for (const Case& c : cases) {
        CommandReader reader;
        const Bytes wire = buildCommand(c.kind, c.values);
        const auto events = reader.feed(wire);
        ASSERT_EQ(events.size(), 1u) << commandName(c.kind);
        EXPECT_EQ(events[0].type, ReadEvent::Type::Command);
        EXPECT_EQ(events[0].command.kind, c.kind);
        EXPECT_EQ(events[0].command.values, c.values);
    }
}

TEST(CommandReader, BadChecksumAndStrayBytesAreReportedAndSkipped) {
    CommandReader reader;
    Bytes wire = {0x01, 0x02, 0xFF};
    Bytes badPoll = simtest::Poll;
    badPoll[7] ^= 0x01;
    wire.insert(wire.end(), badPoll.begin(), badPoll.end());
    // A poll cut after five bytes, then a whole one.
    wire.insert(wire.end(), simtest::Poll.begin(), simtest::Poll.begin() + 5);
    wire.insert(wire.end(), simtest::Poll.begin(), simtest::Poll.end());

    const auto events = reader.feed(wire);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].type, ReadEvent::Type::Stray);
    EXPECT_EQ(events[0].strayCount, 3u);
    EXPECT_EQ(events[1].type, ReadEvent::Type::BadChecksum);
    EXPECT_EQ(events[1].command.kind, CommandKind::Poll);
    EXPECT_EQ(events[2].type, ReadEvent::Type::Stray);
    EXPECT_EQ(events[2].strayCount, 5u);
    EXPECT_EQ(events[3].type, ReadEvent::Type::Command);
    EXPECT_EQ(events[3].command.kind, CommandKind::Poll);
}

TEST(CommandReader, LongNoiseIsOneStrayRunWithABoundedCopy) {
    CommandReader reader;
    const Bytes noise(5000, 'x');
    EXPECT_TRUE(reader.feed(noise).empty());
    EXPECT_EQ(reader.pendingBytes(), 5000u);
    const auto events = reader.flush();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].strayCount, 5000u);
    EXPECT_EQ(events[0].bytes.size(), CommandReader::StrayKept);
    EXPECT_EQ(reader.pendingBytes(), 0u);
    EXPECT_TRUE(reader.flush().empty());
}

// Nonzero padding or an unknown text is not a command, even with a good checksum.
TEST(CommandReader, UnknownFramesAreStray) {
    CommandReader reader;
    Bytes padded = simtest::longCommand("SETDATA", 5, {});
    padded[0] = 1;
    padded[12] += 1; // checksum still right
    const Bytes unknown = simtest::command(simtest::bytesOf("REMOTE2"));
    Bytes wire = padded;
    wire.insert(wire.end(), unknown.begin(), unknown.end());
    EXPECT_TRUE(reader.feed(wire).empty());
    const auto events = reader.flush();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].strayCount, 23u);
}
