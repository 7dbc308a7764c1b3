#include "remote/link/monitorlink.h"
#include "tests/support/deviceframes.h"

#include "linkfakes.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace remote::link;
using linktest::bytesOf;
using linktest::LinkHarness;

// Display bytes of the given count: five fields, padded with dots, no 13 inside.
std::vector<std::uint8_t> displayBytes(std::size_t count, const std::string& lines) {
    std::string s = lines;
    s.resize(count, '.');
    return bytesOf(s);
}

const std::string FiveLines = "head,line one,line two,line three,line four,line five";

class Receive : public ::testing::Test, protected LinkHarness {
protected:
    std::vector<std::uint8_t> shortFrame(const std::string& lines = FiveLines) {
        return device::RawScreenFrame(displayBytes(125, lines));
    }
    std::vector<std::uint8_t> longFrame(const std::string& lines = FiveLines) {
        return device::RawScreenFrame(displayBytes(131, lines));
    }
};

TEST_F(Receive, ShortScreenFrameIsDecodedAndLightsTheReceiveLamp) {
    feed(shortFrame());
    EXPECT_EQ(view.hexCopyWrites, 1);
    EXPECT_EQ(view.screen[0], "line one");
    EXPECT_EQ(view.screen[3], "line four");
    EXPECT_TRUE(view.rxd());
    EXPECT_TRUE(link.RxLampOn());
    EXPECT_FALSE(link.Scanning());
    EXPECT_EQ(link.RxPos(), 0);
    EXPECT_EQ(link.FrameState(), protocol::ScreenFrame);
}

TEST_F(Receive, LongScreenFrameIsDecodedWhenNoCarriageReturnStandsAtCount126) {
    const auto frame = longFrame();
    feed(std::vector<std::uint8_t>(frame.begin(), frame.end() - 1));
    EXPECT_EQ(view.hexCopyWrites, 0);
    EXPECT_EQ(link.RxPos(), 131);
    feed(std::vector<std::uint8_t>{13});
    EXPECT_EQ(view.hexCopyWrites, 1);
    EXPECT_TRUE(link.Scanning());
    EXPECT_EQ(view.screen[4].substr(0, 9), "line five");
}

TEST_F(Receive, CarriageReturnAtCount126EndsTheFrameEvenIfALongOneWasMeant) {
    auto frame = longFrame();
    frame[4 + 125] = 13; // count 126
    feed(frame);
    // The short frame completed at 126; the remaining 6 bytes start a new collection.
    EXPECT_EQ(view.hexCopyWrites, 1);
    EXPECT_FALSE(link.Scanning());
    EXPECT_EQ(link.RxPos(), 6);
}

TEST_F(Receive, CarriageReturnAtAnyOtherCountIsFrameData) {
    auto frame = shortFrame();
    frame[4 + 10] = 13;
    frame[4 + 130 - 10] = 13;
    feed(frame);
    EXPECT_EQ(view.hexCopyWrites, 1);
    EXPECT_EQ(link.RxBuf()[10], 13);
}

TEST_F(Receive, TheSyncByteIsNotStoredAndTheNextByteGoesToSlotZero) {
    feed("xxSTS,");
    EXPECT_EQ(link.RxPos(), 0);
    EXPECT_EQ(link.RxBuf()[0], 0);
    feed("Q");
    EXPECT_EQ(link.RxPos(), 1);
    EXPECT_EQ(link.RxBuf()[0], 'Q');
    const auto w = link.SyncWindow();
    EXPECT_EQ(std::string(w.begin(), w.end()), "TS,Q");
}

TEST_F(Receive, FramesFollowingACompletedOneAreCollectedWithoutANewSyncPattern) {
    feed(shortFrame());
    feed(displayBytes(125, "again,second one,b,c,d,e"));
    feed(std::vector<std::uint8_t>{13});
    EXPECT_EQ(view.hexCopyWrites, 2);
    EXPECT_EQ(view.screen[0], "second one");
}

TEST_F(Receive, ASyncPatternInsideAFrameDropsThePartAndRestarts) {
    auto partial = shortFrame();
    partial.resize(60);
    feed(partial);
    feed(shortFrame("h,fresh,b,c,d,e"));
    EXPECT_EQ(view.hexCopyWrites, 1);
    EXPECT_EQ(view.screen[0], "fresh");
}

TEST_F(Receive, BytesBeforeTheFirstSyncPatternAreIgnored) {
    feed(displayBytes(200, "noise,with,commas"));
    feed(std::vector<std::uint8_t>{13});
    EXPECT_EQ(link.FrameState(), protocol::NoFrame);
    EXPECT_EQ(view.hexCopyWrites, 0);
    EXPECT_EQ(link.RxBuf()[0], 0);
}

TEST_F(Receive, AfterTheAcknowledgementBytesAreOnlyCountedUntilTheNextSyncPattern) {
    feed("DBOK");
    EXPECT_EQ(link.FrameState(), protocol::Acknowledgement);
    feed(displayBytes(125, "ack,tail"));
    feed(std::vector<std::uint8_t>{13});
    EXPECT_EQ(view.hexCopyWrites, 0);
    EXPECT_EQ(link.RxPos(), 126);
    EXPECT_EQ(link.RxBuf()[0], 0);

    feed(shortFrame());
    EXPECT_EQ(view.hexCopyWrites, 1);
    EXPECT_EQ(view.screen[0], "line one");
}

TEST_F(Receive, WithoutAFrameEndRxPosStopsAt1300AndTheLastSlotIsOverwritten) {
    feed("STS,");
    std::vector<std::uint8_t> bytes(2000, 'a');
    bytes.back() = 'z';
    feed(bytes);
    EXPECT_EQ(link.RxPos(), protocol::RxPosMax);
    EXPECT_EQ(link.RxBuf()[1299], 'z');
    EXPECT_EQ(link.RxBuf()[1298], 'a');
    EXPECT_EQ(view.hexCopyWrites, 0);
    // A carriage return at the cap is not a frame end either.
    feed(std::vector<std::uint8_t>{13});
    EXPECT_EQ(view.hexCopyWrites, 0);
}

TEST_F(Receive, SettingsFrameIsDecodedAndACompletedOneRestartsCollection) {
    device::Settings s;
    s.rfTransmitTime = 42;
    feed(device::SettingsFrame(s));
    EXPECT_EQ(view.display(MonitorView::Display::RFXTIME), "42");
    EXPECT_TRUE(view.rxd());
    EXPECT_EQ(link.RxPos(), 0);
    EXPECT_EQ(link.FrameState(), protocol::SettingsFrame);

    // The next 51 bytes are read as another settings frame of the same kind.
    auto again = device::SettingsFrame(s);
    again[4 + 12] = 43;
    again[4 + 49] = static_cast<std::uint8_t>(again[4 + 49] + 1);
    feed(std::vector<std::uint8_t>(again.begin() + 4, again.end()));
    EXPECT_EQ(view.display(MonitorView::Display::RFXTIME), "43");
}

TEST_F(Receive, SettingsFrameWithAWrongChecksumChangesNothing) {
    auto frame = device::SettingsFrame(device::Settings{});
    frame[4 + 49] = static_cast<std::uint8_t>(frame[4 + 49] + 1);
    feed(frame);
    EXPECT_TRUE(view.displayWrites.empty());
    EXPECT_EQ(view.switchWrites, 0);
    EXPECT_FALSE(view.rxd());
    EXPECT_FALSE(link.RxLampOn());
    EXPECT_EQ(link.RxPos(), 0);
}

struct AlarmCase {
    std::string bytes;
    int channel; // -1: none
};

void PrintTo(const AlarmCase& c, std::ostream* os) {
    *os << '"' << c.bytes << '"';
}

class AlarmCodes : public Receive, public ::testing::WithParamInterface<AlarmCase> {};

TEST_P(AlarmCodes, RaiseTheirChannelAndNoOther) {
    feed(GetParam().bytes);
    for (int i = 0; i < protocol::AlarmSlotCount; ++i) {
        EXPECT_EQ(link.AlarmActive(i), i == GetParam().channel) << "channel " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, AlarmCodes,
    ::testing::Values(AlarmCase{"xFA1", 0}, AlarmCase{"xFB1", 1}, AlarmCase{"xFB2", 1},
                      AlarmCase{"xFB5", 2}, AlarmCase{"xFB6", 3}, AlarmCase{"xFB8", 4},
                      AlarmCase{"xFB9", 5}, AlarmCase{"xFBA", 6}, AlarmCase{"xFBB", 7},
                      AlarmCase{"xFBC", 8}, AlarmCase{"xFB3", -1}, AlarmCase{"xFB4", -1},
                      AlarmCase{"xFB7", -1}, AlarmCase{"FA2", -1}, AlarmCase{"FC1", -1},
                      AlarmCase{"fa1", -1}, AlarmCase{"FBa", -1}, AlarmCase{"F A1", -1}));

TEST_F(Receive, AlarmCodeSplitOverTwoEventsStillRaisesItsChannel) {
    feed("FA");
    EXPECT_FALSE(link.AlarmActive(0));
    feed("1");
    EXPECT_TRUE(link.AlarmActive(0));
}

TEST_F(Receive, AlarmCodesInsideAFrameAreSeenAndTheFrameStillCompletes) {
    feed(shortFrame("h,RF FB9 alarm,b,c,d,e"));
    EXPECT_TRUE(link.AlarmActive(5));
    EXPECT_EQ(view.screen[0], "RF FB9 alarm");
}

TEST_F(Receive, ChunkingDoesNotChangeTheOutcome) {
    // Frames, alarm codes, an acknowledgement and noise, fed whole and in random pieces.
    std::vector<std::uint8_t> stream = bytesOf("noise FB");
    for (int i = 0; i < 3; ++i) {
        const auto f = i == 1 ? longFrame("h,scan,FA1,c,d,e") : shortFrame();
        stream.insert(stream.end(), f.begin(), f.end());
        const auto s = device::SettingsFrame(device::Settings{});
        stream.insert(stream.end(), s.begin(), s.end());
        const auto ack = device::Acknowledgement();
        stream.insert(stream.end(), ack.begin(), ack.end());
        stream.push_back('C');
    }
    const auto tail = bytesOf("FBC");
    stream.insert(stream.end(), tail.begin(), tail.end());

    LinkHarness whole;
    whole.feed(stream);

    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        LinkHarness pieces;
        std::size_t at = 0;
        while (at < stream.size()) {
            const std::size_t n = std::min<std::size_t>(stream.size() - at, 1 + rng() % 40);
            pieces.link.OnReceive(std::span(stream).subspan(at, n));
            at += n;
        }
        EXPECT_EQ(pieces.view.screenWrites, whole.view.screenWrites);
        EXPECT_EQ(pieces.view.hexCopy, whole.view.hexCopy);
        EXPECT_EQ(pieces.view.displayWrites, whole.view.displayWrites);
        EXPECT_EQ(pieces.link.RxPos(), whole.link.RxPos());
        for (int c = 0; c < protocol::AlarmChannelCount; ++c) {
            EXPECT_EQ(pieces.link.AlarmActive(c), whole.link.AlarmActive(c));
        }
    }
    EXPECT_TRUE(whole.link.AlarmActive(0));
    EXPECT_TRUE(whole.link.AlarmActive(8));
    EXPECT_EQ(whole.view.hexCopyWrites, 3);
}

} // namespace
