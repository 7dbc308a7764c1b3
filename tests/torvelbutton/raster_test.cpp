#include "buttontestsupport.h"

#include "common/raster.h"
#include "torvelbutton/render/alpha.h"
#include "torvelbutton/render/pictureclip.h"

namespace {

using namespace buttontest;
using namespace torvelbutton;

TEST(TintAlpha, FollowsTheTableOfTellingValues) {
    const struct {
        int percent;
        std::optional<int> alpha;
    } rows[] = {
        {0, 255}, {10, 229}, {20, 204},           {50, 128},          {80, 51},           {99, 3},
        {100, 0}, {1, 252},  {101, std::nullopt}, {-1, std::nullopt}, {150, std::nullopt}};
    for (const auto& row : rows) {
        EXPECT_EQ(tintAlpha(row.percent), row.alpha) << row.percent << " %";
    }
}

TEST(OleColorToRgb, TranslatesSystemColoursAndFailsWithMinusOne) {
    const struct {
        common::OleColor color;
        qint32 rgb;
    } rows[] = {
        {0x00123456u, 0x00123456},
        {0x8000000Fu, 0x00D8E9EC}, // button face (236, 233, 216) as 0x00BBGGRR
        {0x80000012u, 0x00000000}, // button text
        {0x80000019u, -1},         // an index with no colour
        {0x800000FFu, -1},
        {0x01000000u, -1}, // bits above the blue byte
    };
    for (const auto& row : rows) {
        EXPECT_EQ(OleColorToRgb(row.color, 0), row.rgb) << std::hex << row.color;
    }
}

TEST(Raster, ConstantBlendIsColourOverPictureInWholeNumbers) {
    const struct {
        int colour;
        int picture;
        int a;
        int result;
    } rows[] = {{0, 255, 51, 204},  {0, 255, 0, 255},     {0, 255, 255, 0},
                {255, 0, 128, 128}, {200, 100, 229, 190}, {10, 20, 3, 20}};
    for (const auto& row : rows) {
        EXPECT_EQ(common::blendChannel(row.colour, row.picture, row.a), row.result)
            << row.colour << " over " << row.picture << " at " << row.a;
    }
    QImage image = solid(4, 4, qRgb(255, 255, 255));
    common::blendRect(image, QRect(1, 1, 10, 2), qRgb(0, 0, 0), 51);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(1, 1), qRgb(204, 204, 204));
    EXPECT_EQ(image.pixel(3, 2), qRgb(204, 204, 204));
    EXPECT_EQ(image.pixel(3, 3), qRgb(255, 255, 255));
}

TEST(Raster, LinesLeaveOutTheirEndPoint) {
    QImage image = solid(6, 4, 0);
    const QRgb grey = qRgb(200, 200, 200);
    common::drawLineWithoutEnd(image, 1, 0, 1, 4, grey); // down to the row past the last
    common::drawLineWithoutEnd(image, 2, 1, 5, 1, grey);
    common::drawLineWithoutEnd(image, 6, 0, 6, 4, grey); // wholly outside
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(image.pixel(1, y), grey) << y;
        EXPECT_EQ(image.pixel(5, y), qRgb(0, 0, 0)) << y;
    }
    EXPECT_EQ(image.pixel(4, 1), grey);
    EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 0));
}

TEST(Raster, StretchTakesTheNearestSampleAndKeepsBothEnds) {
    QImage src(3, 1, QImage::Format_RGB32);
    const QRgb c[3] = {qRgb(10, 0, 0), qRgb(20, 0, 0), qRgb(30, 0, 0)};
    for (int x = 0; x < 3; ++x) {
        src.setPixel(x, 0, c[x]);
    }
    QImage dst = solid(9, 1, 0);
    common::drawPicture(dst, QRect(1, 0, 7, 1), src, src.rect());
    const QRgb expected[9] = {qRgb(0, 0, 0), c[0], c[0], c[1],         c[1],
                              c[1],          c[2], c[2], qRgb(0, 0, 0)};
    for (int x = 0; x < 9; ++x) {
        EXPECT_EQ(dst.pixel(x, 0), expected[x]) << x;
    }
    // Shrinking keeps the ends too.
    QImage narrow = solid(2, 1, 0);
    common::drawPicture(narrow, QRect(0, 0, 2, 1), dst, QRect(1, 0, 7, 1));
    EXPECT_EQ(narrow.pixel(0, 0), c[0]);
    EXPECT_EQ(narrow.pixel(1, 0), c[2]);
}

TEST(Raster, CopiesClipAtBothPicturesAndEmptySizesDrawNothing) {
    QImage src = solid(4, 4, qRgb(1, 2, 3));
    QImage dst = solid(5, 5, 0);
    common::drawPicture(dst, QRect(3, 3, 4, 4), src, src.rect()); // runs off dst
    EXPECT_EQ(dst.pixel(4, 4), qRgb(1, 2, 3));
    EXPECT_EQ(dst.pixel(2, 2), qRgb(0, 0, 0));
    dst.fill(0);
    common::drawPicture(dst, QRect(0, 0, 3, 3), src, QRect(2, 2, 3, 3)); // runs off src
    EXPECT_EQ(dst.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(dst.pixel(1, 1), qRgb(1, 2, 3));
    EXPECT_EQ(dst.pixel(2, 2), qRgb(0, 0, 0));
    dst.fill(0);
    common::drawPicture(dst, QRect(0, 0, 0, 3), src, src.rect());
    common::drawPicture(dst, QRect(0, 0, -2, 3), src, src.rect());
    common::drawPicture(dst, QRect(0, 0, 3, 3), src, QRect(0, 0, 3, 0));
    EXPECT_EQ(dst, solid(5, 5, 0));
}

TEST(Raster, PicturesWithAlphaAreBlendedOver) {
    QImage src(2, 1, QImage::Format_ARGB32);
    src.setPixel(0, 0, qRgba(255, 0, 0, 0));   // fully transparent
    src.setPixel(1, 0, qRgba(255, 0, 0, 128)); // half
    QImage dst = solid(2, 1, qRgb(0, 0, 255));
    common::drawPicture(dst, QPoint(0, 0), src);
    EXPECT_EQ(dst.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(qRed(dst.pixel(1, 0)), 128);
    EXPECT_EQ(qBlue(dst.pixel(1, 0)), 127);
}

TEST(Strip, BuiltInStripHasEightCellsInItsDefiningColours) {
    const QImage strip = builtinStrip();
    ASSERT_EQ(strip.size(), QSize(144, 21));
    EXPECT_FALSE(strip.hasAlphaChannel());
    EXPECT_EQ(strip.depth() == 24 || strip.format() == QImage::Format_RGB32, true);

    // Outline at the middle of the top edge, face at the top, middle and bottom rows.
    const struct {
        int cell;
        QRgb outline;
        QRgb top;
        QRgb middle;
        QRgb bottom;
    } cells[] = {
        {0, qRgb(0, 60, 116), qRgb(255, 255, 255), qRgb(243, 243, 239), qRgb(214, 208, 197)},
        {1, qRgb(0, 60, 116), qRgb(209, 204, 193), qRgb(226, 225, 218), qRgb(242, 239, 236)},
        {2, qRgb(201, 199, 186), qRgb(245, 244, 234), qRgb(245, 244, 234), qRgb(245, 244, 234)},
        {3, qRgb(0, 60, 116), qRgb(255, 240, 207), qRgb(243, 243, 239), qRgb(229, 151, 0)},
        {4, qRgb(58, 58, 58), qRgb(201, 201, 201), qRgb(222, 222, 222), qRgb(240, 240, 240)},
        {5, qRgb(58, 58, 58), qRgb(201, 201, 201), qRgb(222, 222, 222), qRgb(240, 240, 240)},
        {6, qRgb(201, 199, 186), qRgb(226, 220, 220), 0, 0},
        {7, qRgb(58, 58, 58), qRgb(231, 231, 231), qRgb(222, 222, 222), qRgb(114, 114, 114)},
    };
    for (const auto& c : cells) {
        const int x0 = c.cell * 18;
        EXPECT_EQ(strip.pixel(x0 + 9, 0), c.outline) << "cell " << c.cell;
        EXPECT_EQ(strip.pixel(x0 + 9, 20), c.outline) << "cell " << c.cell;
        EXPECT_EQ(strip.pixel(x0, 10), c.outline) << "cell " << c.cell;
        EXPECT_EQ(strip.pixel(x0 + 17, 10), c.outline) << "cell " << c.cell;
        EXPECT_EQ(strip.pixel(x0 + 9, 1), c.top) << "cell " << c.cell;
        if (c.middle != 0) {
            EXPECT_EQ(strip.pixel(x0 + 9, 10), c.middle) << "cell " << c.cell;
            EXPECT_EQ(strip.pixel(x0 + 9, 19), c.bottom) << "cell " << c.cell;
        }
        // Curved corners: the corner pixel itself is not outline.
        EXPECT_NE(strip.pixel(x0, 0), c.outline) << "cell " << c.cell;
    }
    // The rings of the hover cells.
    EXPECT_EQ(strip.pixel(3 * 18 + 9, 2), qRgb(253, 216, 137));
    EXPECT_EQ(strip.pixel(3 * 18 + 1, 10), qRgb(252, 202, 105));
    EXPECT_EQ(strip.pixel(3 * 18 + 9, 18), qRgb(248, 179, 48));
    EXPECT_EQ(strip.pixel(7 * 18 + 9, 2), qRgb(195, 195, 195));
    EXPECT_EQ(strip.pixel(7 * 18 + 16, 10), qRgb(178, 178, 178));
    // Checked and disabled gets lighter towards the bottom.
    EXPECT_GT(qRed(strip.pixel(6 * 18 + 9, 19)), 226);
}

TEST(Strip, ClipCutsEightEqualCells) {
    PictureClip clip;
    EXPECT_TRUE(clip.GraphicCell(0).isNull());
    clip.setPicture(coordinateStrip());
    for (int k = 0; k < 8; ++k) {
        const QImage cell = clip.GraphicCell(k);
        ASSERT_EQ(cell.size(), QSize(18, 21));
        EXPECT_EQ(sourceOf(cell.pixel(17, 20)), (Source{k, 17, 20}));
    }
    EXPECT_TRUE(clip.GraphicCell(8).isNull());
    EXPECT_TRUE(clip.GraphicCell(-1).isNull());
    clip.setPicture(coordinateStrip(10, 5)); // another strip replaces the cells
    EXPECT_EQ(clip.GraphicCell(3).size(), QSize(10, 5));
}

} // namespace
