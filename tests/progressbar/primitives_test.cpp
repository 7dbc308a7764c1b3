// Colour helpers and the pixel rules of the drawing primitives.
#include "bar_test_support.h"

#include "common/olecolor.h"

#include <gtest/gtest.h>

#include <vector>

namespace remote::controls::progressbar::test {
namespace {

using common::bgr;

struct LightenCase {
    OleColor colour;
    int amount;
    OleColor expected;
};

TEST(ColourHelpers, LightenTruncatesEachComponent) {
    const LightenCase cases[] = {
        {0x000000, 150, bgr(150, 150, 150)},         {bgr(255, 0, 128), 0, bgr(255, 0, 128)},
        {bgr(1, 200, 255), 100, bgr(100, 221, 255)}, // 155 / 255 and 31000 / 255 truncate
        {bgr(200, 10, 0), 250, bgr(253, 250, 250)},  {0xFFFFFF, 255, 0xFFFFFF},
    };
    for (const LightenCase& c : cases) {
        EXPECT_EQ(LightenColor(c.colour, c.amount), c.expected)
            << std::hex << c.colour << " by " << std::dec << c.amount;
    }
}

TEST(ColourHelpers, BlendRoundsAndTranslatesSystemColours) {
    EXPECT_EQ(BlendColor(bgr(255, 128, 10), 0, 200), bgr(200, 100, 8)); // 7.84 -> 8
    EXPECT_EQ(BlendColor(bgr(255, 128, 10), 0, 100), bgr(100, 50, 4));  // 50.2, 3.92
    EXPECT_EQ(BlendColor(0xC0C0C0, 0, 255), 0xC0C0C0u);
    EXPECT_EQ(BlendColor(0, 0xFFFFFF, 0), 0xFFFFFFu);
    const OleColor highlight = *TranslateColor(common::systemColor(common::Highlight));
    EXPECT_EQ(BlendColor(common::systemColor(common::Highlight), 0, 255), highlight);
}

struct LineCase {
    const char* name;
    int x1, y1, x2, y2;
    std::vector<QPoint> painted; // every pixel the line paints
};

class DrawLineRule : public ::testing::TestWithParam<LineCase> {};

TEST_P(DrawLineRule, PaintsUpToButNotTheEndPoint) {
    const LineCase& c = GetParam();
    QImage image = surface(8, 8);
    DrawLine(c.x1, c.y1, c.x2, c.y2, image, 0x0000FF);
    int painted = countPixels(image, {0, 0, 8, 8}, [](OleColor p) { return p == 0x0000FF; });
    EXPECT_EQ(painted, static_cast<int>(c.painted.size()));
    for (const QPoint& p : c.painted) {
        EXPECT_EQ(pixelAt(image, p.x(), p.y()), 0x0000FFu) << p.x() << "," << p.y();
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, DrawLineRule,
                         ::testing::Values(LineCase{"right", 1, 2, 4, 2, {{1, 2}, {2, 2}, {3, 2}}},
                                           LineCase{"left", 4, 2, 1, 2, {{4, 2}, {3, 2}, {2, 2}}},
                                           LineCase{"down", 5, 0, 5, 3, {{5, 0}, {5, 1}, {5, 2}}},
                                           LineCase{"up", 5, 3, 5, 0, {{5, 3}, {5, 2}, {5, 1}}},
                                           LineCase{"point", 3, 3, 3, 3, {}},
                                           LineCase{"clippedLeft", -5, 1, 2, 1, {{0, 1}, {1, 1}}},
                                           LineCase{"outside", 0, -1, 8, -1, {}},
                                           LineCase{
                                               "diagonal", 0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct GradientCase {
    const char* name;
    OleColor colour1, colour2;
    int x, y, a, b;
    bool vertical;
    // Expected colour of each line in order; lines past the end must stay untouched.
    std::vector<OleColor> lines;
};

class DrawGradientRule : public ::testing::TestWithParam<GradientCase> {};

TEST_P(DrawGradientRule, DrawsOneLinePerStep) {
    const GradientCase& c = GetParam();
    QImage image = surface(16, 16);
    DrawGradient(c.colour1, c.colour2, c.x, c.y, c.a, c.b, image, c.vertical);
    for (int i = 0; i <= static_cast<int>(c.lines.size()); ++i) {
        // Probe the middle of each line: column x + i at row y, or row y + i at column x.
        const int px = c.vertical ? c.x + i : c.x;
        const int py = c.vertical ? c.y : c.y + i;
        const OleColor expected = i < static_cast<int>(c.lines.size())
                                      ? c.lines[static_cast<std::size_t>(i)]
                                      : kUntouched;
        EXPECT_EQ(pixelAt(image, px, py), expected) << "line " << i;
    }
    if (c.lines.empty()) {
        EXPECT_EQ(countPixels(image, {0, 0, 16, 16}, [](OleColor p) { return p != kUntouched; }),
                  0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bands, DrawGradientRule,
    ::testing::Values(
        GradientCase{"sameColour",
                     0x123456,
                     0x123456,
                     1,
                     1,
                     10,
                     3,
                     false,
                     {0x123456, 0x123456, 0x123456, 0x123456}},
        GradientCase{"verticalCountZero", 0x0000FF, 0xFF0000, 4, 2, 0, 9, true, {0x0000FF}},
        GradientCase{"rowsCountZero", 0x0000FF, 0xFF0000, 4, 2, 9, 0, false, {0x0000FF}},
        GradientCase{"negativeCount", 0x0000FF, 0xFF0000, 4, 2, -1, 9, true, {}},
        // 2.5 goes to 2, 1.5 to 2: halves to even.
        GradientCase{"halvesToEven",
                     bgr(0, 0, 0),
                     bgr(5, 3, 0),
                     0,
                     0,
                     8,
                     2,
                     false,
                     {bgr(0, 0, 0), bgr(2, 2, 0), bgr(5, 3, 0)}},
        // The step 1/6 held in single precision puts line 3 just above 0.5.
        GradientCase{"singlePrecisionStep",
                     bgr(0, 0, 0),
                     bgr(1, 0, 0),
                     0,
                     0,
                     8,
                     6,
                     false,
                     {0, 0, 0, bgr(1, 0, 0), bgr(1, 0, 0), bgr(1, 0, 0), bgr(1, 0, 0)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DrawGradient, LineLengthsFollowTheOtherArgument) {
    // Vertical: columns 2..4, each from row 1 down to row 5 (left out).
    QImage image = surface(8, 8);
    DrawGradient(0x111111, 0x111111, 2, 1, 2, 5, image, true);
    EXPECT_EQ(countPixels(image, {0, 0, 8, 8}, [](OleColor p) { return p == 0x111111; }), 3 * 4);
    EXPECT_EQ(pixelAt(image, 3, 4), 0x111111u);
    EXPECT_EQ(pixelAt(image, 3, 5), kUntouched);
    // Rows: rows 1..3, each from column 6 leftward to column 2 (left out).
    image = surface(8, 8);
    DrawGradient(0x222222, 0x222222, 6, 1, 2, 2, image, false);
    EXPECT_EQ(countPixels(image, {0, 0, 8, 8}, [](OleColor p) { return p == 0x222222; }), 3 * 4);
    EXPECT_EQ(pixelAt(image, 2, 2), kUntouched);
    EXPECT_EQ(pixelAt(image, 3, 2), 0x222222u);
}

TEST(DrawGradient, FarOffBandsCostNothingAndDrawOnlyTheVisiblePart) {
    QImage image = surface(4, 4);
    DrawGradient(0, bgr(200, 0, 0), -1'000'000'000, 0, 2'000'000'000, 2, image, true);
    // Column 0 is line 1e9 of 2e9: the middle of the band.
    EXPECT_EQ(pixelAt(image, 0, 0), bgr(100, 0, 0));
    EXPECT_EQ(pixelAt(image, 0, 2), kUntouched);
}

struct BoxCase {
    const char* name;
    Box box;
    int filled; // pixels FillBox paints
    int framed; // pixels FrameBox paints
};

TEST(Boxes, FillAndFrameKeepInsideTheBox) {
    const BoxCase cases[] = {
        {"normal", {1, 1, 5, 4}, 12, 10},  {"oneColumn", {2, 0, 3, 4}, 4, 4},
        {"empty", {3, 3, 3, 6}, 0, 0},     {"inverted", {5, 5, 2, 2}, 0, 0},
        {"clipped", {-2, -2, 2, 2}, 4, 3},
    };
    for (const BoxCase& c : cases) {
        QImage image = surface(8, 8);
        FillBox(c.box, 0x0000FF, image);
        EXPECT_EQ(countPixels(image, {0, 0, 8, 8}, [](OleColor p) { return p == 0x0000FF; }),
                  c.filled)
            << c.name;
        image = surface(8, 8);
        FrameBox(c.box, 0x0000FF, image);
        EXPECT_EQ(countPixels(image, {0, 0, 8, 8}, [](OleColor p) { return p == 0x0000FF; }),
                  c.framed)
            << c.name;
    }
}

TEST(Boxes, FillTranslatesSystemColoursFrameDoesNot) {
    QImage image = surface(4, 4);
    FillBox({0, 0, 4, 4}, common::systemColor(common::ButtonFace), image);
    EXPECT_EQ(pixelAt(image, 1, 1), *TranslateColor(common::systemColor(common::ButtonFace)));
    FrameBox({0, 0, 4, 4}, common::systemColor(common::ButtonFace), image);
    EXPECT_EQ(pixelAt(image, 0, 0), static_cast<OleColor>(common::ButtonFace));
}

struct EdgeCase {
    const char* name;
    Edge edge;
    // Colours at: outer top, outer bottom, inner top, inner bottom (inner only for double).
    std::vector<common::SystemColorIndex> rings;
};

TEST(Edges, TwoToneRingsAroundTheBox) {
    using namespace common;
    const EdgeCase cases[] = {
        {"etched", Edge::Etched, {ButtonShadow, ButtonHighlight, ButtonHighlight, ButtonShadow}},
        {"bump", Edge::Bump, {Light3D, DarkShadow3D, DarkShadow3D, Light3D}},
        {"sunkenOuter", Edge::SunkenOuter, {ButtonShadow, ButtonHighlight}},
    };
    const auto sys = [](SystemColorIndex i) { return *TranslateColor(systemColor(i)); };
    for (const EdgeCase& c : cases) {
        QImage image = surface(10, 6);
        drawEdge(image, {0, 0, 10, 6}, c.edge);
        EXPECT_EQ(pixelAt(image, 4, 0), sys(c.rings[0])) << c.name; // top
        EXPECT_EQ(pixelAt(image, 0, 3), sys(c.rings[0])) << c.name; // left
        EXPECT_EQ(pixelAt(image, 4, 5), sys(c.rings[1])) << c.name; // bottom
        EXPECT_EQ(pixelAt(image, 9, 3), sys(c.rings[1])) << c.name; // right
        EXPECT_EQ(pixelAt(image, 9, 0), sys(c.rings[1])) << c.name; // top-right corner
        EXPECT_EQ(pixelAt(image, 0, 5), sys(c.rings[1])) << c.name; // bottom-left corner
        if (c.rings.size() == 4) {
            EXPECT_EQ(pixelAt(image, 4, 1), sys(c.rings[2])) << c.name;
            EXPECT_EQ(pixelAt(image, 4, 4), sys(c.rings[3])) << c.name;
            EXPECT_EQ(pixelAt(image, 8, 3), sys(c.rings[3])) << c.name;
        }
        const Box inside = c.rings.size() == 4 ? Box{2, 2, 8, 4} : Box{1, 1, 9, 5};
        EXPECT_EQ(countPixels(image, inside, [](OleColor p) { return p != kUntouched; }), 0)
            << c.name;
    }
}

TEST(Patterns, HatchStylesAreDistinctTwoColourCellsAnchoredAtTheOrigin) {
    std::vector<QImage> seen;
    for (int style = 0; style < 6; ++style) {
        QImage image = surface(16, 16);
        hatchBox(image, {3, 5, 16, 16}, style, 0x0000FF, 0x00FF00);
        for (int y = 5; y < 16; ++y) {
            for (int x = 3; x < 16; ++x) {
                const OleColor expected = isHatchPixel(style, x, y) ? 0x0000FFu : 0x00FF00u;
                ASSERT_EQ(pixelAt(image, x, y), expected) << style << " " << x << "," << y;
                // The cell repeats every 8 pixels.
                ASSERT_EQ(isHatchPixel(style, x, y), isHatchPixel(style, x % 8, y % 8));
            }
        }
        EXPECT_EQ(pixelAt(image, 2, 8), kUntouched);
        for (const QImage& other : seen) {
            EXPECT_NE(other, image) << "style " << style;
        }
        seen.push_back(image);
    }
    QImage image = surface(8, 8);
    hatchBox(image, {0, 0, 8, 8}, 6, 0x0000FF, 0x00FF00);
    EXPECT_EQ(countPixels(image, {0, 0, 8, 8}, [](OleColor p) { return p != kUntouched; }), 0);
}

TEST(Patterns, PictureIsTiledFromTheImageOrigin) {
    QImage tile(3, 2, QImage::Format_ARGB32);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            tile.setPixel(x, y, qRgba(x * 80, y * 100, 7, 255));
        }
    }
    QImage image = surface(12, 8);
    patternBox(image, {2, 1, 10, 7}, tile);
    for (int y = 1; y < 7; ++y) {
        for (int x = 2; x < 10; ++x) {
            ASSERT_EQ(pixelAt(image, x, y), bgr((x % 3) * 80, (y % 2) * 100, 7)) << x << "," << y;
        }
    }
    EXPECT_EQ(pixelAt(image, 1, 1), kUntouched);
    EXPECT_EQ(pixelAt(image, 10, 1), kUntouched);
}

} // namespace
} // namespace remote::controls::progressbar::test
