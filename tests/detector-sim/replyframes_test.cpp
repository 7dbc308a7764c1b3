#include "core/replyframes.h"
#include "simframes.h"

#include <gtest/gtest.h>

using namespace detectorsim;
using namespace simtest;

namespace {

ScreenContent fiveLines(bool scanning, int highlighted = -1) {
    ScreenContent s;
    s.scanning = scanning;
    s.highlighted = highlighted;
    s.lines = {"Line zero", "Line one", "Line two", "Line three", "Line four"};
    return s;
}

void expectFrameShape(const Bytes& frame, std::size_t body) {
    ASSERT_EQ(frame.size(), 4 + body);
    EXPECT_EQ(textOf(frame, 0, 4), "STS,");
    EXPECT_EQ(frame.back(), 13);
    // One sync pattern, and no 13 before the end (a 13 at byte 126 would cut a long frame).
    EXPECT_EQ(count(frame, "STS,"), 1);
    EXPECT_EQ(count(frame, "SETS") + count(frame, "DBOK"), 0);
    EXPECT_EQ(std::count(frame.begin(), frame.end(), 13), 1);
}

} // namespace

TEST(ScreenFrame, ShortFrameCarriesFiveLinesAndTheHighlightMarker) {
    for (int highlighted = 0; highlighted < 5; ++highlighted) {
        const Bytes frame = screenFrame(fiveLines(false, highlighted));
        expectFrameShape(frame, 126);
        const auto f = screenFields(frame);
        // Fields 1 to 6: the five lines with the marker right after the highlighted one.
        std::vector<std::string> shown(f.begin() + 1, f.begin() + 7);
        std::vector<std::string> expected = {"Line zero       ", "Line one        ",
                                             "Line two        ", "Line three      ",
                                             "Line four       "};
        expected.insert(expected.begin() + highlighted + 1, "****************");
        EXPECT_EQ(shown, expected) << highlighted;
    }
}

// Without a selected line the sixth field repeats the last line, which lands on it.
TEST(ScreenFrame, ShortFrameWithoutHighlightRepeatsTheLastLine) {
    const Bytes frame = screenFrame(fiveLines(false));
    expectFrameShape(frame, 126);
    const auto f = screenFields(frame);
    EXPECT_EQ(f[5], "Line four       ");
    EXPECT_EQ(f[6], f[5]);
}

TEST(ScreenFrame, LongFrameHasNoThirteenAtTheShortLength) {
    ScreenContent s = fiveLines(true, 2);
    s.lines[0] = "Close Call      ";
    s.lines[1] = std::string(16, char(24));
    const Bytes frame = screenFrame(s);
    expectFrameShape(frame, 132);
    const auto f = screenFields(frame);
    EXPECT_EQ(f[1], "Close Call      ");
    EXPECT_EQ(f[2], std::string(16, char(24)));
    EXPECT_EQ(f[3], "Line two        ");
    EXPECT_EQ(f[5], "Line four       ");
    EXPECT_EQ(count(frame, "****************"), 0);
}

TEST(ScreenFrame, CommasAndCarriageReturnsInALineDoNotBreakTheFrame) {
    ScreenContent s = fiveLines(false, 0);
    s.lines[2] = "a,b\rc,,d and more text beyond sixteen";
    const Bytes frame = screenFrame(s);
    expectFrameShape(frame, 126);
    EXPECT_EQ(screenFields(frame)[4], "a b c  d and mor");
}

// An alarm code rides in the unshown tail, after every shown field.
TEST(ScreenFrame, HiddenCodeStaysOutOfTheShownFields) {
    for (const bool scanning : {false, true}) {
        ScreenContent s = fiveLines(scanning, 1);
        s.hidden = "FB5FA1";
        const Bytes frame = screenFrame(s);
        expectFrameShape(frame, scanning ? 132 : 126);
        const auto f = screenFields(frame);
        const std::size_t lastShown = scanning ? 5 : 6;
        for (std::size_t i = 0; i <= lastShown; ++i) {
            EXPECT_EQ(f[i].find('F'), std::string::npos) << i;
        }
        EXPECT_EQ(count(frame, "FB5FA1"), 1);
    }
}

TEST(SettingsFrame, FieldsSitAtTheirPositionsUnderA16BitChecksum) {
    SettingsRecord r;
    r.year = 26;
    r.month = 12;
    r.day = 10;
    r.hour = 4;
    r.minute = 31;
    r.second = 59;
    r.id = {'A', 'B', 'C', '1', '2', '3'};
    r.rfTime = 45;
    r.laserQz = {300, 65535};
    r.laserQ = {50, 99};
    r.laserVolume = {60, 61};
    r.channelTime = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    r.repeatTime = 24;
    r.switches = 5;
    r.serial = {'S', 'N', '0', '0', '0', '0', '0', '7'};
    r.laserQs = {1234, 258};
    r.spare = {'F', 'B', '2', 0};
    const Bytes frame = settingsFrame(r);
    ASSERT_EQ(frame.size(), 55u);
    EXPECT_EQ(textOf(frame, 0, 4), "SETS");
    EXPECT_EQ(frame.back(), 13);
    const std::vector<int> expected = {26, 12, 10, 4,   31,  59,  'A', 'B', 'C', '1', '2', '3',
                                       45, 1,  44, 255, 255, 50,  99,  60,  61,  1,   2,   3,
                                       4,  24, 5,  'S', 'N', '0', '0', '0', '0', '0', '7', 5,
                                       6,  7,  8,  9,   4,   210, 1,   2,   'F', 'B', '2', 0};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(at(frame, i), expected[i]) << "position " << i;
    }
    EXPECT_TRUE(settingsChecksumGood(frame));
    // The sum passes 255, so both checksum bytes are in use.
    EXPECT_GT(at(frame, 48), 0);

    const Bytes bad = settingsFrame(r, true);
    EXPECT_FALSE(settingsChecksumGood(bad));
    EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + 52, bad.begin()));
}

TEST(SettingsFrame, AllZeroRecordHasAZeroChecksum) {
    SettingsRecord r;
    r.year = r.month = r.day = 0;
    const Bytes frame = settingsFrame(r);
    EXPECT_EQ(at(frame, 48), 0);
    EXPECT_EQ(at(frame, 49), 0);
    EXPECT_EQ(textOf(ackFrame()), "DBOK");
}
