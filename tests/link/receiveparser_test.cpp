#include "remote/link/alarmchannels.h"
#include "remote/link/receiveparser.h"
#include "tests/support/deviceframes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace remote::link;
using Bytes = std::vector<std::uint8_t>;
using Completed = ReceiveParser::Completed;

struct FrameCase {
    std::string name;
    Bytes wire; // sync pattern, then the frame
    Completed completed;
};

void PrintTo(const FrameCase& c, std::ostream* os) {
    *os << c.name;
}

Bytes screenFrame(std::size_t displayBytes) {
    std::string text = "head,one,two,three,four,five";
    text.resize(displayBytes, '.');
    return device::RawScreenFrame(Bytes(text.begin(), text.end()));
}

// The parser alone, as any caller would drive it: push, look at what completed, push on.
class ParserFrames : public ::testing::TestWithParam<FrameCase> {
protected:
    Bytes body() const { return {GetParam().wire.begin() + 4, GetParam().wire.end()}; }
    Bytes collected() const {
        const auto buf = parser.RxBuf().first(body().size());
        return {buf.begin(), buf.end()};
    }

    ReceiveParser parser;
    AlarmChannels alarms;
};

TEST_P(ParserFrames, EveryKindStartsCollectionOverByItself) {
    const auto first = parser.push(GetParam().wire, alarms);
    EXPECT_EQ(first.used, GetParam().wire.size());
    EXPECT_EQ(first.completed, GetParam().completed);
    EXPECT_EQ(parser.RxPos(), 0);
    EXPECT_EQ(collected(), body());

    // Another frame of the same kind, with no sync pattern in front.
    const auto second = parser.push(body(), alarms);
    EXPECT_EQ(second.used, body().size());
    EXPECT_EQ(second.completed, GetParam().completed);
    EXPECT_EQ(collected(), body());
}

TEST_P(ParserFrames, StopsRightAfterTheByteThatCompletesAFrame) {
    Bytes stream = GetParam().wire;
    const Bytes tail{'F', 'A', '1', 'x'};
    stream.insert(stream.end(), tail.begin(), tail.end());

    const auto first = parser.push(stream, alarms);
    EXPECT_EQ(first.used, GetParam().wire.size());
    EXPECT_EQ(first.completed, GetParam().completed);
    EXPECT_FALSE(alarms.AlarmActive(0)) << "bytes behind the frame end were read";
    EXPECT_EQ(collected(), body());

    const auto rest = parser.push(std::span(stream).subspan(first.used), alarms);
    EXPECT_EQ(rest.used, tail.size());
    EXPECT_EQ(rest.completed, Completed::None);
    EXPECT_TRUE(alarms.AlarmActive(0));
    EXPECT_EQ(parser.RxPos(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParserFrames,
    ::testing::Values(FrameCase{"ShortScreen", screenFrame(125), Completed::ShortScreen},
                      FrameCase{"LongScreen", screenFrame(131), Completed::LongScreen},
                      FrameCase{"Settings", device::SettingsFrame(device::Settings{}),
                                Completed::Settings}),
    [](const auto& info) { return info.param.name; });

TEST(Parser, AnEmptyPushReadsNothingAndChangesNothing) {
    ReceiveParser parser;
    AlarmChannels alarms;
    parser.push(Bytes{'S', 'T', 'S', ',', 'a'}, alarms);
    const auto p = parser.push({}, alarms);
    EXPECT_EQ(p.used, 0u);
    EXPECT_EQ(p.completed, Completed::None);
    EXPECT_EQ(parser.RxPos(), 1);
    EXPECT_EQ(parser.FrameState(), remote::link::protocol::ScreenFrame);
}

} // namespace
