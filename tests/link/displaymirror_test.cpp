#include "remote/link/displaymirror.h"
#include "tests/support/deviceframes.h"

#include "linkfakes.h"

#include <gtest/gtest.h>

namespace {

using namespace remote::link;
using linktest::bytesOf;
using linktest::LinkHarness;

const std::string Marker = "****************";
const std::string CR = "\r";

class DisplayMirrorTest : public ::testing::Test, protected LinkHarness {
protected:
    void feedScreen(device::ScreenForm form, std::vector<std::string> fields) {
        feed(device::ScreenFrame(form, fields));
    }
    void feedShort(std::vector<std::string> fields) {
        feedScreen(device::ScreenForm::Short, std::move(fields));
    }
    void feedLong(std::vector<std::string> fields) {
        feedScreen(device::ScreenForm::Long, std::move(fields));
    }
    // A frame from raw display bytes, padded with dots to the form's size.
    void feedRaw(device::ScreenForm form, std::vector<std::uint8_t> display) {
        display.resize(form == device::ScreenForm::Long ? 131 : 125, '.');
        feed(device::RawScreenFrame(display));
    }
};

TEST_F(DisplayMirrorTest, HexCopyHasEveryByteWithoutLeadingZeros) {
    feedRaw(device::ScreenForm::Short, {0, 10, 255, 0x53});
    EXPECT_EQ(view.hexCopy.substr(0, 12), "0 A FF 53 2E");
    EXPECT_EQ(view.hexCopy.substr(view.hexCopy.size() - 5), "2E D ");
    // 4 two-digit or one-digit entries, 121 dots ("2E "), the final "D ".
    EXPECT_EQ(view.hexCopy.size(), 2u + 2u + 3u + 3u + 121u * 3u + 2u);
}

TEST_F(DisplayMirrorTest, ShortFrameHighlightsTheLineBeforeTheMarker) {
    feedShort({"head", "L1", "L2", Marker, "L3", "L4", "L5"});
    EXPECT_EQ(view.screen, (std::array<std::string, 5>{"L1", "L2", "L3", "L4", "L5" + CR}));
    EXPECT_EQ(view.opaque, (std::array<bool, 5>{false, true, false, false, false}));
}

TEST_F(DisplayMirrorTest, ASixthOrdinaryFieldLandsOnTheLastLine) {
    feedShort({"head", "f1", "f2", "f3", "f4", "f5", "f6"});
    EXPECT_EQ(view.screen, (std::array<std::string, 5>{"f1", "f2", "f3", "f4", "f6" + CR}));
    ASSERT_EQ(view.screenWrites.size(), 6u);
    EXPECT_EQ(view.screenWrites[4], (std::pair<int, std::string>{4, "f5"}));
    EXPECT_EQ(view.screenWrites[5], (std::pair<int, std::string>{4, "f6" + CR}));
}

TEST_F(DisplayMirrorTest, FiveFieldsInAShortFrameLeaveTheLastLineBlank) {
    // Field 6 is empty and, like a sixth line, is written to the last label.
    feedShort({"head", "L1", "L2", "L3", "L4", "L5"});
    EXPECT_EQ(view.screen, (std::array<std::string, 5>{"L1", "L2", "L3", "L4", ""}));
    EXPECT_EQ(view.screenWrites[4], (std::pair<int, std::string>{4, "L5" + CR}));
}

TEST_F(DisplayMirrorTest, AMarkerAsTheFirstShownFieldIsIgnored) {
    feedShort({"head", Marker, "L1", "L2", "L3", "L4", "L5"});
    EXPECT_EQ(view.screen, (std::array<std::string, 5>{"L1", "L2", "L3", "L4", "L5" + CR}));
    for (const auto& [line, opaque] : view.opaqueWrites) {
        EXPECT_FALSE(opaque) << "line " << line;
        EXPECT_GE(line, 0);
    }
}

TEST_F(DisplayMirrorTest, AHighlightLastsUntilTheLineIsWrittenAgain) {
    feedShort({"head", "L1", "L2", "L3", "L4", Marker, "L5"});
    EXPECT_TRUE(view.opaque[3]);
    // A frame with few fields still writes every line, empty where no field stands.
    feedShort({"head", "X", "Y"});
    EXPECT_EQ(view.screen, (std::array<std::string, 5>{"X", "Y" + CR, "", "", ""}));
    EXPECT_EQ(view.opaque, (std::array<bool, 5>{}));
}

TEST_F(DisplayMirrorTest, LongFrameShowsFieldsOneToFiveAndDoesNotLookForTheMarker) {
    feedLong({"head", "L1", Marker, "L3", "L4", "L5", "L6"});
    EXPECT_EQ(view.screen, (std::array<std::string, 5>{"L1", Marker, "L3", "L4", "L5"}));
    EXPECT_EQ(view.opaque, (std::array<bool, 5>{}));
    EXPECT_TRUE(link.Scanning());
}

TEST_F(DisplayMirrorTest, RunsOfCommasAreOneSeparator) {
    feedRaw(device::ScreenForm::Short, bytesOf("h,,,a,,b,c,d,e,f"));
    EXPECT_EQ(view.screen[0], "a");
    EXPECT_EQ(view.screen[1], "b");
    EXPECT_EQ(link.DisplaySeg()[0], "h");
}

TEST_F(DisplayMirrorTest, FieldsBeyondTheEighteenthRunIntoIt) {
    std::string text = "h";
    for (int i = 1; i <= 22; ++i) {
        text += "," + std::to_string(i);
    }
    feedRaw(device::ScreenForm::Short, bytesOf(text));
    const auto seg = link.DisplaySeg();
    EXPECT_EQ(seg[17], "17");
    EXPECT_EQ(seg[18].substr(0, 10), "1819202122");
    EXPECT_EQ(seg[18].back(), '\r');
    EXPECT_TRUE(seg[19].empty());
    EXPECT_TRUE(seg[20].empty());
}

TEST_F(DisplayMirrorTest, SpecialLineAfterCloseCallShowsControlBytesShifted) {
    std::vector<std::uint8_t> d = bytesOf("h,Close Call      ,");
    d.insert(d.end(), {24, 25, 'x', 31});
    d.push_back(',');
    d.insert(d.end(), {24, 25});
    feedRaw(device::ScreenForm::Long, d);
    EXPECT_EQ(view.screen[0], "TSCM Event      ");
    EXPECT_EQ(view.screen[1], "01x7");
    EXPECT_EQ(view.screen[2].substr(0, 2), std::string({24, 25}));
}

TEST_F(DisplayMirrorTest, SpecialLinesExistOnlyInLongFrames) {
    std::vector<std::uint8_t> d = bytesOf("h,Close Call      ,");
    d.insert(d.end(), {24, 25});
    feedRaw(device::ScreenForm::Short, d);
    EXPECT_EQ(view.screen[1].substr(0, 2), std::string({24, 25}));
}

TEST_F(DisplayMirrorTest, TheFrameEndOfASpecialLineBecomesPercent) {
    feedLong({"head", "a", "b", "c", "Close Call      ", "xy"});
    EXPECT_EQ(view.screen[4], "xy%");
}

TEST_F(DisplayMirrorTest, PhrasesAreRewrittenInFieldsOneToFiveOnly) {
    feedShort({"head", "Close Call 145.250", "Hit Close Call at", "CC Found! 12", "a", "b",
               "Close Call"});
    EXPECT_EQ(view.screen[0], "TSCM Event 145.250");
    EXPECT_EQ(view.screen[1], "Hit TSCM Event at");
    EXPECT_EQ(view.screen[2], "TSCM !    12");
    EXPECT_EQ(view.screen[4], "Close Call" + CR); // field 6, never rewritten
}

struct RewriteCase {
    std::string in;
    std::string out;
};

class PhraseRewrite : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(PhraseRewrite, ReplacesTheFirstOccurrenceInPlace) {
    std::string field = GetParam().in;
    RewritePhrases(field);
    EXPECT_EQ(field, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PhraseRewrite,
    ::testing::Values(RewriteCase{"Close Call 145.250", "TSCM Event 145.250"},
                      RewriteCase{"CC Found! 12", "TSCM !    12"},
                      RewriteCase{"Close Call CC Found! ", "TSCM Event TSCM !    "},
                      RewriteCase{"Close CallClose Call", "TSCM EventClose Call"},
                      RewriteCase{"close call", "close call"},
                      RewriteCase{"CC Found!", "CC Found!"}, RewriteCase{"", ""}));

TEST_F(DisplayMirrorTest, ScanMarkBlinksFourTicksOnFourOffWhileScanning) {
    feedLong({"head", "a", "b", "c", "d", "e"});
    std::string seen;
    for (int t = 1; t <= 12; ++t) {
        link.Timer1_Timer();
        seen += view.scanMarkVisible ? '#' : '.';
    }
    EXPECT_EQ(seen, "...####....#");

    feedShort({"head", "a", "b", "c", "d", "e"});
    EXPECT_TRUE(view.scanMarkVisible);
    link.Timer1_Timer();
    EXPECT_FALSE(view.scanMarkVisible);
    EXPECT_FALSE(link.Scanning());
}

TEST(CutIntoFields, TextBeforeTheFirstCommaIsFieldZero) {
    std::array<std::string, protocol::DisplaySegSlots> fields;
    const auto bytes = bytesOf("zero,one");
    CutIntoFields(bytes, false, fields);
    EXPECT_EQ(fields[0], "zero");
    EXPECT_EQ(fields[1], "one");
}

TEST(DisplayMirror, IgnoresFramesOfOtherLengths) {
    linktest::RecordingView view;
    DisplayMirror mirror;
    std::vector<std::uint8_t> frame(100, 'a');
    mirror.DecodeScreenFrame(frame, view);
    EXPECT_EQ(view.hexCopyWrites, 0);
    EXPECT_TRUE(view.screenWrites.empty());
}

} // namespace
