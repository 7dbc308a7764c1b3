#include "remote/link/commandframe.h"
#include "tests/support/deviceframes.h"

#include "linkfakes.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using namespace remote::link;
using linktest::LinkHarness;
using Bytes = std::vector<std::uint8_t>;

Bytes wire(const CommandFrame& f) {
    return {f.bytes().begin(), f.bytes().end()};
}

const Bytes Poll = wire(PollCommand());
const Bytes ReadSettings = wire(ReadSettingsCommand());
const Bytes Nothing;

class Tick : public ::testing::Test, protected LinkHarness {};

TEST_F(Tick, WithTheLoopOnPollAndReadSettingsAlternateTwoTicksApart) {
    link.LOOPSW_ValueChanged(true);
    const auto sent = ticks(12);
    for (int t = 1; t <= 12; ++t) {
        const Bytes& expected = t % 4 == 2 ? Poll : t % 4 == 0 ? ReadSettings : Nothing;
        EXPECT_EQ(sent[static_cast<std::size_t>(t - 1)], expected) << "tick " << t;
    }
}

TEST_F(Tick, WithTheLoopOffNothingIsSent) {
    ticks(40);
    EXPECT_TRUE(port.written.empty());
    EXPECT_FALSE(view.txd());
}

TEST_F(Tick, SaveWithTheLoopOffSendsTheSettingThenOneReadBack) {
    view.inputs[{MonitorView::Input::XTIME, 0}] = "45";
    ticks(3);
    link.FREQSAVE_ValueChanged(2, true);
    link.FREQSAVE_ValueChanged(2, false); // the release does nothing
    EXPECT_EQ(link.PendingSave(), 3);
    EXPECT_EQ(link.PollTick(), 4);

    EXPECT_EQ(tick(), wire(SaveRfTransmitTimeCommand(4, 5)));
    EXPECT_TRUE(link.ReadBackDue());
    EXPECT_EQ(link.PendingSave(), 0);
    EXPECT_EQ(tick(), Nothing);
    EXPECT_EQ(tick(), Nothing);
    EXPECT_EQ(tick(), Nothing);
    EXPECT_EQ(tick(), ReadSettings);
    EXPECT_FALSE(link.ReadBackDue());
    for (const auto& t : ticks(12)) {
        EXPECT_EQ(t, Nothing);
    }
}

TEST_F(Tick, SaveWithTheLoopOnGoesOutAtTheNextTickAndTheCycleResumes) {
    link.LOOPSW_ValueChanged(true);
    ticks(1);
    link.FREQSAVE_ValueChanged(6, true);
    EXPECT_EQ(tick(), wire(SaveRepeatTimeCommand(24)));
    EXPECT_EQ(tick(), Nothing);
    EXPECT_EQ(tick(), Poll);
    EXPECT_EQ(tick(), Nothing);
    EXPECT_EQ(tick(), ReadSettings);
}

TEST_F(Tick, PressAndReleaseBetweenTwoTicksSendsOnlyTheRelease) {
    link.LOOPSW_ValueChanged(true);
    link.Button_ValueChanged(18, true);
    link.Button_ValueChanged(18, false);
    EXPECT_EQ(tick(), wire(KeyCommand('S', false)));
    EXPECT_EQ(link.PollTick(), 2);
    EXPECT_FALSE(link.KeyPending());
    EXPECT_EQ(tick(), Nothing);
    EXPECT_EQ(tick(), ReadSettings);
}

TEST_F(Tick, AWaitingKeyHoldsTheCycleWhileTheLoopIsOff) {
    view.inputs[{MonitorView::Input::FREQSET, 0}] = "7";
    link.Button_ValueChanged(4, true);
    ticks(5);
    link.FREQSAVE_ValueChanged(6, true);
    for (const auto& t : ticks(5)) {
        EXPECT_EQ(t, Nothing);
    }
    EXPECT_EQ(link.PollTick(), 2);
    EXPECT_EQ(link.PendingSave(), 7);

    link.LOOPSW_ValueChanged(true);
    EXPECT_EQ(tick(), wire(KeyCommand('M', true)));
    EXPECT_EQ(tick(), Nothing);
    EXPECT_EQ(tick(), wire(SaveRepeatTimeCommand(7)));
    EXPECT_EQ(tick(), Nothing);
    EXPECT_EQ(tick(), Poll);
    EXPECT_EQ(tick(), Nothing);
    EXPECT_EQ(tick(), ReadSettings);
}

TEST_F(Tick, ASaveWhileAKeyWaitsFollowsTheKeyTwoTicksLater) {
    link.LOOPSW_ValueChanged(true);
    link.Button_ValueChanged(6, true);
    link.FREQSAVE_ValueChanged(7, true);
    EXPECT_EQ(tick(), wire(KeyCommand('1', true)));
    EXPECT_EQ(tick(), Nothing);
    EXPECT_EQ(tick(), wire(SaveSwitchesCommand(0)));
}

TEST_F(Tick, TheSecondSaveBeforeATickReplacesTheFirst) {
    link.FREQSAVE_ValueChanged(2, true);
    link.FREQSAVE_ValueChanged(6, true);
    EXPECT_EQ(tick(), wire(SaveRepeatTimeCommand(24)));
}

TEST_F(Tick, TheTransmitLampIsLitAfterEveryFrameAndDarkTwoTicksLater) {
    link.FREQSAVE_ValueChanged(0, true);
    tick();
    EXPECT_TRUE(view.txd());
    EXPECT_TRUE(link.TxLampOn());
    tick();
    EXPECT_TRUE(view.txd());
    EXPECT_EQ(link.TxLampTicks(), 1);
    tick();
    EXPECT_FALSE(view.txd());
    EXPECT_FALSE(link.TxLampOn());
}

TEST_F(Tick, TheReceiveLampGoesDarkTwoTicksAfterAFrame) {
    feed(device::SettingsFrame(device::Settings{}));
    EXPECT_TRUE(view.rxd());
    tick();
    EXPECT_TRUE(view.rxd());
    tick();
    EXPECT_FALSE(view.rxd());
    EXPECT_FALSE(link.RxLampOn());
}

TEST_F(Tick, WithoutAPortFramesAreBuiltAndTheLampBlinksButNothingIsWritten) {
    port.opened = false;
    link.LOOPSW_ValueChanged(true);
    tick();
    tick();
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(view.txd());
    const auto wb = link.WorkBuffer();
    EXPECT_EQ(Bytes(wb.begin(), wb.begin() + 9), Poll);
    EXPECT_EQ(wb[9], 0);
}

TEST_F(Tick, TheWorkBufferStartsEveryTickFromZero) {
    link.LOOPSW_ValueChanged(true);
    tick();
    tick();
    EXPECT_NE(link.WorkBuffer()[0], 0);
    tick();
    for (const auto slot : link.WorkBuffer()) {
        EXPECT_EQ(slot, 0);
    }
}

TEST_F(Tick, EveryByteOfAFrameIsWrittenInOrderOnlyWhileThePortIsOpen) {
    // 13 and 255 inside a payload are bytes like any other: neither ends the frame early.
    const std::array<const char*, 5> fields{"1", "13", "255", "0", "13"};
    for (int i = 0; i < 5; ++i) {
        view.inputs[{MonitorView::Input::txtSet1, i}] = fields[static_cast<std::size_t>(i)];
    }
    const Bytes frame = wire(SaveDateTimeCommand({1, 13, 255, 0, 13}));
    link.FREQSAVE_ValueChanged(0, true);
    EXPECT_EQ(tick(), frame);

    port.opened = false;
    link.FREQSAVE_ValueChanged(0, true);
    EXPECT_EQ(tick(), Nothing);
    EXPECT_EQ(port.written, frame);
    EXPECT_TRUE(view.txd());
}

TEST_F(Tick, APortThatClosesDuringAFrameGetsNoFurtherByte) {
    port.closeAfter = 3;
    link.LOOPSW_ValueChanged(true);
    tick();
    EXPECT_EQ(tick(), Bytes(Poll.begin(), Poll.begin() + 3));
    EXPECT_TRUE(view.txd());
    EXPECT_EQ(link.PollTick(), 2);
}

} // namespace
