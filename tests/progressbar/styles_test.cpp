// Geometry and pixels of the ten styles.
#include "bar_test_support.h"

#include "common/olecolor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace remote::controls::progressbar::test {
namespace {

using common::bgr;

struct SegmentCase {
    const char* name;
    int style;
    int orientation;
    int width, height;
    int percent;
    int fillEdge; // F.right when horizontal, F.top when vertical
};

class Segments : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(Segments, FillEdgeSnapsToWholeSegments) {
    const SegmentCase& c = GetParam();
    ProgressBarState s = barState(c.style, c.percent, kBlue, c.orientation);
    QImage image = surface(c.width, c.height);
    ProgressBarPainter painter(image, s, c.width, c.height);
    s.clientRect = {0, 0, c.width, c.height};
    painter.CalcSegments();
    EXPECT_EQ(c.orientation == 0 ? s.fillRect.right : s.fillRect.top, c.fillEdge);
    EXPECT_EQ(s.clientRect.left, 3);
    EXPECT_EQ(s.segmentWidth, c.style == 0 ? 6 : 0);
    EXPECT_EQ(s.gapWidth, 2);
}

INSTANTIATE_TEST_SUITE_P(Table, Segments,
                         ::testing::Values(SegmentCase{"style0Half", 0, 0, 100, 20, 50, 51},
                                           SegmentCase{"style0Zero", 0, 0, 100, 20, 0, 3},
                                           SegmentCase{"style0Full", 0, 0, 100, 20, 100, 99},
                                           SegmentCase{"style0Negative", 0, 0, 100, 20, -40, 3},
                                           SegmentCase{"style1Half", 1, 0, 100, 20, 50, 51},
                                           SegmentCase{"style1Third", 1, 0, 100, 20, 33, 35},
                                           SegmentCase{"verticalFull", 0, 1, 20, 100, 100, 4},
                                           SegmentCase{"verticalZero", 0, 1, 20, 100, 0, 100},
                                           SegmentCase{"verticalHalf", 0, 1, 20, 100, 50, 52},
                                           SegmentCase{"verticalStyle2Half", 2, 1, 20, 100, 50,
                                                       50}),
                         [](const auto& info) { return std::string(info.param.name); });

// Expected colour of row 8 (inside the solid part of the fill) of a 100 x 20 bar of style 0
// or 1 whose fill covers columns 4 .. fillEnd - 1, with or without white gaps.
OleColor expectedRow8(int x, int fillEnd, bool gaps) {
    if (x == 0 || x == 99) {
        return 0x686868;
    }
    if (x == 1) {
        return 0xBEBEBE;
    }
    if (x == 2 || x == 98) {
        return 0xEFEFEF;
    }
    if (x < 4 || x >= fillEnd) {
        return 0xFFFFFF;
    }
    if (gaps && x >= 10 && (x - 10) % 8 < 2) {
        return 0xFFFFFF;
    }
    return kBlue;
}

struct RowCase {
    const char* name;
    int style;
    int percent;
    int fillEnd;
    bool gaps;
};

TEST(HorizontalFill, WorkedRowsOfStylesZeroAndOne) {
    const RowCase cases[] = {
        {"style0Half", 0, 50, 51, true}, // gaps 10-11, 18-19 ... 50-51
        {"style0Zero", 0, 0, 12, true},  // raised to 12: columns 4-11, one gap at 10-11
        {"style1Half", 1, 50, 51, false},
        {"style1Zero", 1, 0, 12, false},
    };
    for (const RowCase& c : cases) {
        const Drawn d = drawBar(barState(c.style, c.percent), 100, 20);
        for (int x = 0; x < 100; ++x) {
            ASSERT_EQ(pixelAt(d.image, x, 8), expectedRow8(x, c.fillEnd, c.gaps))
                << c.name << " column " << x;
        }
    }
}

TEST(HorizontalFill, ShadingRowsAroundTheSolidBand) {
    const Drawn d = drawBar(barState(1, 50), 100, 20);
    EXPECT_EQ(pixelAt(d.image, 20, 3), LightenColor(kBlue, 150));  // top of the upper shading
    EXPECT_EQ(pixelAt(d.image, 20, 10), kBlue);                    // start of the lower one
    EXPECT_EQ(pixelAt(d.image, 20, 16), LightenColor(kBlue, 150)); // row H - 4
    EXPECT_EQ(pixelAt(d.image, 20, 17), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(d.image, 3, 10), 0xFFFFFFu);
}

TEST(VerticalFill, WorkedColumnOfStyleZero) {
    struct Case {
        int percent;
        int top; // first filled row
    };
    for (const Case c : {Case{100, 4}, Case{0, 100}}) {
        const Drawn d = drawBar(barState(0, c.percent, kBlue, 1), 20, 100);
        for (int y = 3; y < 98; ++y) {
            const bool gap = y >= 10 && (y - 10) % 8 < 2;
            const OleColor expected = y >= c.top && !gap ? kBlue : 0xFFFFFFu;
            ASSERT_EQ(pixelAt(d.image, 10, y), expected) << "percent " << c.percent << " row " << y;
        }
        EXPECT_EQ(pixelAt(d.image, 10, 98), 0xEFEFEFu);
        EXPECT_EQ(pixelAt(d.image, 10, 99), 0x686868u);
    }
}

struct CornerCase {
    int style;
    int orientation;
    int width, height;
};

class Corners : public ::testing::TestWithParam<CornerCase> {};

TEST_P(Corners, EveryCornerPixelHasItsTableColour) {
    const CornerCase& c = GetParam();
    const Drawn d = drawBar(barState(c.style, 60, kBlue, c.orientation), c.width, c.height);
    const struct {
        int x, y;
        OleColor colour;
    } corners[] = {
        {0, 0, 0xFFFFFF},
        {0, 1, 0xA6ABAC},
        {0, 2, 0x7D7E7F},
        {1, 0, 0xA7ABAC},
        {1, 1, 0x777777},
        {2, 0, 0x7D7E7F},
        {2, 2, 0xBEBEBE},
        {0, c.height - 1, 0xFFFFFF},
        {1, c.height - 1, 0xA6ABAC},
        {2, c.height - 1, 0x7D7E7F},
        {0, c.height - 3, 0x7D7E7F},
        {0, c.height - 2, 0xA7ABAC},
        {1, c.height - 2, 0x777777},
        {c.width - 1, 0, 0xFFFFFF},
        {c.width - 1, 1, 0xBEBEBE},
        {c.width - 1, 2, 0x7D7E7F},
        {c.width - 2, 2, 0xBEBEBE},
        {c.width - 2, 1, 0x686868},
        {c.width - 1, c.height - 1, 0xFFFFFF},
        {c.width - 1, c.height - 2, 0xBEBEBE},
        {c.width - 1, c.height - 3, 0x7D7E7F},
        {c.width - 2, c.height - 2, 0x777777},
        {c.width - 2, c.height - 1, 0xBEBEBE},
        {c.width - 3, c.height - 1, 0x7D7E7F},
    };
    for (const auto& p : corners) {
        EXPECT_EQ(pixelAt(d.image, p.x, p.y), p.colour) << p.x << "," << p.y;
    }
    // Between the corners the outline is the frame colour.
    EXPECT_EQ(pixelAt(d.image, c.width / 2, 0), 0x686868u);
    EXPECT_EQ(pixelAt(d.image, 0, c.height / 2), 0x686868u);
}

INSTANTIATE_TEST_SUITE_P(Table, Corners,
                         ::testing::Values(CornerCase{0, 0, 100, 20}, CornerCase{1, 0, 40, 12},
                                           CornerCase{2, 0, 100, 20}, CornerCase{9, 0, 100, 20},
                                           CornerCase{9, 0, 40, 12}, CornerCase{0, 1, 20, 100},
                                           CornerCase{42, 0, 100, 20}));

TEST(SearchingStyle, ThreeBlocksTrailTheFillEnd) {
    // F.right is 51 at 50 %; the blocks start 22.5 pixels behind it: 28.5 -> 28 (even),
    // 38.5 -> 38, 48.5 -> 48.
    const Drawn d = drawBar(barState(2, 50), 100, 20);
    const struct {
        int x;
        OleColor colour;
    } probes[] = {
        {27, 0xFFFFFF},
        {28, LightenColor(kBlue, 220)},
        {37, LightenColor(kBlue, 200)},
        {38, LightenColor(kBlue, 180)},
        {47, LightenColor(kBlue, 160)},
        {48, LightenColor(kBlue, 140)},
        {57, LightenColor(kBlue, 120)},
        {58, 0xFFFFFF},
    };
    for (const auto& p : probes) {
        EXPECT_EQ(pixelAt(d.image, p.x, 3), p.colour) << p.x;
        EXPECT_EQ(pixelAt(d.image, p.x, 17), p.colour) << p.x;
    }
    // No bar under the blocks.
    EXPECT_EQ(countPixels(d.image, {3, 3, 28, 17}, [](OleColor c) { return c != 0xFFFFFF; }), 0);
}

TEST(SearchingStyle, BlocksLieOutsideNearBothEnds) {
    for (int percent : {0, 100}) {
        const Drawn d = drawBar(barState(2, percent), 100, 20);
        EXPECT_EQ(countPixels(d.image, {3, 3, 97, 17}, [](OleColor c) { return c != 0xFFFFFF; }), 0)
            << percent;
    }
}

TEST(SearchingStyle, VerticalBlocksStackDownFromTheFillTop) {
    // F.top is 50 at 50 %; blocks of ten rows at 50, 60 and 70, columns 3 to W - 3.
    const Drawn d = drawBar(barState(2, 50, kBlue, 1), 20, 100);
    EXPECT_EQ(pixelAt(d.image, 10, 49), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(d.image, 10, 50), LightenColor(kBlue, 220));
    EXPECT_EQ(pixelAt(d.image, 10, 59), LightenColor(kBlue, 200));
    EXPECT_EQ(pixelAt(d.image, 10, 60), LightenColor(kBlue, 180));
    EXPECT_EQ(pixelAt(d.image, 10, 79), LightenColor(kBlue, 120));
    EXPECT_EQ(pixelAt(d.image, 10, 80), 0xFFFFFFu);
    // Each row is one colour from column 3 to column W - 3; the frame lies either side.
    EXPECT_EQ(pixelAt(d.image, 3, 55), pixelAt(d.image, 10, 55));
    EXPECT_EQ(pixelAt(d.image, 17, 55), pixelAt(d.image, 10, 55));
    EXPECT_EQ(pixelAt(d.image, 2, 55), 0xEFEFEFu);
    EXPECT_EQ(pixelAt(d.image, 18, 55), 0xEFEFEFu);
}

struct Probe {
    int x, y;
    OleColor colour;
};

struct FullCase {
    const char* name;
    int style;
    int fillRight; // F.right after drawing, or -1 when the style leaves it alone
    std::vector<Probe> probes;
};

class FullBar : public ::testing::TestWithParam<FullCase> {};

// At 100 % on a 200-pixel bar, styles that divide by 101 end at 198, the others at 200 (or
// at their inner width).
TEST_P(FullBar, FillEndsWhereItsDivisorPutsIt) {
    const FullCase& c = GetParam();
    const Drawn d = drawBar(barState(c.style, 100), 200, 20);
    if (c.fillRight >= 0) {
        EXPECT_EQ(d.state.fillRect.right, c.fillRight);
    }
    for (const Probe& p : c.probes) {
        EXPECT_EQ(pixelAt(d.image, p.x, p.y), p.colour) << p.x << "," << p.y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FullBar,
    ::testing::Values(
        FullCase{"flat",
                 3,
                 200,
                 {{199, 10, LightenColor(kBlue, 180)}, {0, 10, LightenColor(kBlue, 100)}}},
        FullCase{"etched",
                 4,
                 -1,
                 {{2, 10, LightenColor(kBlue, 140)},
                  {198, 10, LightenColor(kBlue, 200)},
                  {199, 10, sys(common::ButtonHighlight)},
                  {100, 17, 0xFFFFFF}}},
        FullCase{"track",
                 5,
                 198,
                 {{198, 10, LightenColor(kBlue, 25)}, {199, 10, LightenColor(kBlue, 10)}}},
        FullCase{"dark",
                 6,
                 -1,
                 {{2, 10, 0},
                  {197, 10, LightenColor(BlendColor(kBlue, 0, 100), 10)},
                  {198, 10, 0},
                  {199, 10, BlendColor(kBlue, 0, 200)}}},
        FullCase{"hatch",
                 7,
                 198,
                 {{197, 10, LightenColor(kBlue, 140)},
                  {197, 12, kBlue},
                  {198, 10, sys(common::Light3D)}}},
        FullCase{"imageWithoutPicture",
                 8,
                 -1,
                 {{100, 10, 0xFFFFFF},
                  {0, 10, sys(common::ButtonShadow)},
                  {199, 10, sys(common::ButtonHighlight)}}},
        // Lower fill row 10 is step 2 of 8 from BlendColor(K, 0, 190) = (7, 27, 79) to K.
        FullCase{"glass", 9, 196, {{195, 10, bgr(8, 29, 86)}, {196, 10, 0xC0C0C0}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Styles, PercentAboveHundredIsStoredAsHundredNegativeIsLeftAlone) {
    const Drawn over = drawBar(barState(0, 150), 100, 20);
    EXPECT_EQ(over.state.percent, 100);
    EXPECT_EQ(over.image, drawBar(barState(0, 100), 100, 20).image);
    const Drawn under = drawBar(barState(3, -5), 100, 20);
    EXPECT_EQ(under.state.percent, -5);
    EXPECT_EQ(under.image, drawBar(barState(3, 0), 100, 20).image);
}

TEST(Styles, OrientationOnlyMattersForTheFirstThree) {
    QImage tile(4, 4, kSurfaceFormat);
    tile.fill(qRgb(200, 30, 30));
    for (int style = 0; style <= 9; ++style) {
        ProgressBarState horizontal = barState(style, 60, kBlue, 0);
        ProgressBarState vertical = barState(style, 60, kBlue, 1);
        horizontal.Image = vertical.Image = tile;
        const bool same = drawBar(horizontal, 60, 60).image == drawBar(vertical, 60, 60).image;
        EXPECT_EQ(same, style > 2) << "style " << style;
    }
}

TEST(Styles, UnknownStylesDrawLikeTheContinuousBar) {
    const QImage continuous = drawBar(barState(1, 37), 100, 20).image;
    for (int style : {-1, 10, 1000}) {
        EXPECT_EQ(drawBar(barState(style, 37), 100, 20).image, continuous) << style;
    }
}

TEST(Styles, DarkStyleHasABlackBackground) {
    EXPECT_EQ(pixelAt(drawBar(barState(6, 0), 100, 20).image, 50, 10), 0u);
    EXPECT_EQ(pixelAt(drawBar(barState(3, 0), 100, 20).image, 50, 10), 0xFFFFFFu);
}

TEST(Styles, HatchFillsWithTheSelectedPatternInTwoColours) {
    for (int brush = 0; brush < 6; ++brush) {
        ProgressBarState s = barState(7, 50);
        s.BrushStyle = brush;
        const Drawn d = drawBar(s, 100, 20);
        ASSERT_EQ(d.state.fillRect, (Box{2, 2, 50, 18})); // 50 / 101 * 100 = 49.5 -> 50
        for (int y = 2; y < 18; ++y) {
            for (int x = 2; x < 50; ++x) {
                const OleColor expected =
                    isHatchPixel(brush, x, y) ? kBlue : LightenColor(kBlue, 140);
                ASSERT_EQ(pixelAt(d.image, x, y), expected) << brush << " " << x << "," << y;
            }
        }
        EXPECT_EQ(pixelAt(d.image, 50, 10), 0xFFFFFFu);
    }
}

TEST(Styles, PictureStyleTilesThePictureFromTheOrigin) {
    QImage tile(5, 3, kSurfaceFormat);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            tile.setPixel(x, y, qRgb(40 * x, 60 * y, 90));
        }
    }
    ProgressBarState s = barState(8, 50);
    s.Image = tile;
    const Drawn d = drawBar(s, 100, 20);
    EXPECT_EQ(d.state.fillRect.right, 50);
    for (int y = 2; y < 18; ++y) {
        for (int x = 2; x < 52; ++x) {
            ASSERT_EQ(pixelAt(d.image, x, y), bgr(40 * (x % 5), 60 * (y % 3), 90)) << x << "," << y;
        }
    }
    EXPECT_EQ(pixelAt(d.image, 52, 10), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(d.image, 10, 18), 0xFFFFFFu);
}

TEST(Styles, TinySizesAndExtremePercentsStayInsideTheImage) {
    QImage tile(3, 3, kSurfaceFormat);
    tile.fill(qRgb(1, 2, 3));
    const QSize sizes[] = {{0, 0}, {1, 1}, {3, 2}, {5, 40}, {40, 5}};
    const int percents[] = {std::numeric_limits<int>::min(), -1, 0, 100,
                            std::numeric_limits<int>::max()};
    for (int style = -1; style <= 10; ++style) {
        for (int orientation : {0, 1}) {
            for (const QSize size : sizes) {
                for (int percent : percents) {
                    ProgressBarState s = barState(style, percent, kBlue, orientation);
                    s.ShowText = true;
                    s.Image = tile;
                    QImage image = surface(std::max(size.width(), 1), std::max(size.height(), 1));
                    ProgressBarPainter(image, s, size.width(), size.height()).DrawProgressBar();
                    ASSERT_LE(s.percent, 100);
                }
            }
        }
    }
}

TEST(Styles, DrawingIntoASmallerOrNullImageIsClipped) {
    ProgressBarState s = barState(0, 80);
    s.ShowText = true;
    QImage small = surface(10, 10);
    ProgressBarPainter(small, s, 100, 20).DrawProgressBar();
    EXPECT_EQ(pixelAt(small, 0, 0), 0xFFFFFFu);
    QImage none;
    ProgressBarPainter(none, s, 100, 20).DrawProgressBar();
    EXPECT_EQ(s.percent, 80);
    EXPECT_FALSE(s.textRect.isEmpty());
}

} // namespace
} // namespace remote::controls::progressbar::test
