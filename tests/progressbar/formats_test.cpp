// The bar's public drawing entry points on images of any format and at far-off coordinates.
#include "bar_test_support.h"
#include "tests/support/rasterformats.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <vector>

namespace remote::controls::progressbar::test {
namespace {

ProgressBarState labelledState(int style) {
    ProgressBarState s = barState(style, 45);
    s.ShowText = true;
    QImage tile(3, 2, QImage::Format_RGB888);
    tile.fill(Qt::darkCyan);
    s.Image = tile;
    s.BrushStyle = 4;
    return s;
}

std::vector<::test::DrawingEntryPoint> entryPoints() {
    std::vector<::test::DrawingEntryPoint> all = {
        {"DrawLine", [](QImage& i) { DrawLine(0, 1, 10, 1, i, kBlue); }},
        {"DrawLine slanted", [](QImage& i) { DrawLine(-3, 0, 1000000000, 9, i, kBlue); }},
        {"DrawGradient rows",
         [](QImage& i) { DrawGradient(kBlue, 0xFFFFFF, 0, 0, 20, 5, i, false); }},
        {"DrawGradient columns",
         [](QImage& i) { DrawGradient(0xFFFFFF, kBlue, -2, 1, 14, 4, i, true); }},
        {"FillBox",
         [](QImage& i) {
             FillBox(Box{1, 1, 30, 5}, kBlue, i);
         }},
        {"FrameBox",
         [](QImage& i) {
             FrameBox(Box{0, 0, 12, 7}, kBlue, i);
         }},
        {"setPixel", [](QImage& i) { setPixel(i, 2, 2, kBlue); }},
        {"drawEdge",
         [](QImage& i) {
             drawEdge(i, Box{0, 0, 12, 7}, Edge::Bump);
         }},
        {"hatchBox",
         [](QImage& i) {
             hatchBox(i, Box{0, 0, 12, 7}, 2, kBlue, 0xFFFFFF);
         }},
        {"patternBox",
         [](QImage& i) {
             QImage tile(3, 3, QImage::Format_Grayscale8);
             tile.fill(Qt::gray);
             patternBox(i, Box{2, 2, 9, 6}, tile);
         }},
    };
    for (int style = 0; style <= 9; ++style) {
        all.push_back({"ProgressBarPainter", [style](QImage& i) {
                           ProgressBarState s = labelledState(style);
                           ProgressBarPainter(i, s, 60, 16).DrawProgressBar();
                       }});
    }
    return all;
}

QImage startImage(QImage::Format format) {
    QImage base(60, 16, kSurfaceFormat);
    for (int y = 0; y < base.height(); ++y) {
        for (int x = 0; x < base.width(); ++x) {
            base.setPixel(x, y, qRgb(4 * x, 15 * y, 120));
        }
    }
    return base.convertToFormat(format);
}

TEST(BarFormats, EveryEntryPointDrawsAnyFormatAsItsOwnSurfaceAndANullImageNotAtAll) {
    ::test::expectEveryFormatDrawnAsTheSurface(entryPoints(), startImage(kSurfaceFormat));
}

TEST(BarFarOff, GradientsAndBoxesAtTheLimitsOfIntDrawOnlyTheirVisiblePart) {
    constexpr int lo = std::numeric_limits<int>::min();
    constexpr int hi = std::numeric_limits<int>::max();
    QImage image = surface(12, 7);
    // A band of 2 * 10^9 rows from far above, ending on the bottom row: only the visible
    // rows are walked, each in the colour of its place in the whole band, so the last ones
    // have reached colour2.
    DrawGradient(0x000000, 0xFFFFFF, lo, -2000000000, hi, 2000000006, image, false);
    EXPECT_EQ(pixelAt(image, 0, 6), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(image, 11, 0), 0xFFFFFFu);

    image = surface(12, 7);
    FillBox(Box{lo, lo, hi, hi}, kBlue, image);
    EXPECT_EQ(pixelAt(image, 0, 0), kBlue);
    EXPECT_EQ(pixelAt(image, 11, 6), kBlue);

    image = surface(12, 7);
    const QImage untouched = image;
    FrameBox(Box{lo, lo, hi, hi}, kBlue, image);
    drawEdge(image, Box{lo, lo, hi, hi}, Edge::Etched);
    DrawLine(hi, lo, lo, hi, image, kBlue);
    DrawGradient(kBlue, kBlue, hi, 0, hi, 5, image, true);
    EXPECT_TRUE(image == untouched);
}

TEST(BarFarOff, ASegmentedBarFarLargerThanItsImageVisitsOnlyTheGapsInIt) {
    // 2 * 10^9 pixels of segments: walking every gap would take seconds.
    for (const int orientation : {0, 1}) {
        QImage image = surface(60, 16);
        ProgressBarState s = barState(kStyleSegmented, 100, kBlue, orientation);
        const int w = orientation == 0 ? 2000000000 : 60;
        const int h = orientation == 0 ? 16 : 2000000000;
        ProgressBarPainter(image, s, w, h).DrawProgressBar();
        // The last gap is the one nearest the far end of the fill.
        if (orientation == 0) {
            EXPECT_GT(s.gapRect.left, s.fillRect.right - s.segmentWidth - s.gapWidth);
            EXPECT_LE(s.gapRect.left, s.fillRect.right + 1);
        } else {
            EXPECT_LT(s.gapRect.bottom, s.fillRect.top + s.segmentWidth + s.gapWidth + 1);
            EXPECT_GE(s.gapRect.bottom, s.fillRect.top + s.segmentWidth);
        }
    }
}

TEST(BarFarOff, GapsThatCannotFollowEachOtherDrawNothingInsteadOfLoopingForEver) {
    QImage image = surface(60, 16);
    const QImage untouched = image;
    ProgressBarState s = barState(kStyleSegmented, 50);
    s.fillRect = Box{0, 0, 50, 16};
    s.segmentWidth = 3;
    s.gapWidth = -3;
    ProgressBarPainter(image, s, 60, 16).DrawSegmentGaps();
    EXPECT_TRUE(image == untouched);
}

} // namespace
} // namespace remote::controls::progressbar::test
