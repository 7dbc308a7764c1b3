#include "common/raster.h"
#include "tests/support/rasterformats.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels drawn(int x1, int y1, int x2, int y2) {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(qRgb(255, 255, 255));
    common::drawLineWithoutEnd(image, x1, y1, x2, y2, qRgb(0, 0, 0));
    Pixels out;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == qRgb(0, 0, 0)) {
                out.insert({x, y});
            }
        }
    }
    return out;
}

TEST(LineWithoutEnd, LeavesOutTheEndPointInEveryDirection) {
    const struct {
        const char* name;
        int x1, y1, x2, y2;
        Pixels expected;
    } cases[] = {
        {"right", 1, 2, 4, 2, {{1, 2}, {2, 2}, {3, 2}}},
        {"left", 4, 2, 1, 2, {{4, 2}, {3, 2}, {2, 2}}},
        {"down", 3, 0, 3, 3, {{3, 0}, {3, 1}, {3, 2}}},
        {"up", 3, 3, 3, 0, {{3, 3}, {3, 2}, {3, 1}}},
        {"diagonal", 0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
        {"single point", 2, 2, 2, 2, {}},
        {"clipped at both ends",
         -5,
         1,
         20,
         1,
         {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}}},
        {"far off, missing the image", -2000000000, -5, 2000000000, -9, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(drawn(c.x1, c.y1, c.x2, c.y2), c.expected) << c.name;
    }
}

} // namespace

namespace {

using common::kSurfaceFormat;

// The step-by-step error walk the line rule is defined by, run to the end whatever the
// coordinates; the pixels it reaches inside a w x h image.
Pixels walkedLine(int w, int h, int x1, int y1, int x2, int y2) {
    const std::int64_t dx = std::llabs(std::int64_t{x2} - x1);
    const std::int64_t dy = -std::llabs(std::int64_t{y2} - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    std::int64_t err = dx + dy;
    std::int64_t x = x1;
    std::int64_t y = y1;
    Pixels out;
    while (x != x2 || y != y2) {
        if (x >= 0 && x < w && y >= 0 && y < h) {
            out.insert({static_cast<int>(x), static_cast<int>(y)});
        }
        const std::int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    return out;
}

Pixels drawnOn(int w, int h, int x1, int y1, int x2, int y2) {
    QImage image(w, h, kSurfaceFormat);
    image.fill(qRgb(255, 255, 255));
    common::drawLineWithoutEnd(image, x1, y1, x2, y2, qRgb(0, 0, 0));
    Pixels out;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (image.pixel(x, y) == qRgb(0, 0, 0)) {
                out.insert({x, y});
            }
        }
    }
    return out;
}

TEST(LineWithoutEnd, ClippedLinesDrawExactlyThePixelsOfTheWholeWalk) {
    // Every direction and slope, starting and ending inside, outside and across the image.
    std::mt19937 random(8);
    std::uniform_int_distribution<int> coord(-25, 35);
    for (int i = 0; i < 20000; ++i) {
        const int x1 = coord(random);
        const int y1 = coord(random);
        const int x2 = coord(random);
        const int y2 = coord(random);
        ASSERT_EQ(drawnOn(11, 7, x1, y1, x2, y2), walkedLine(11, 7, x1, y1, x2, y2))
            << x1 << "," << y1 << " -> " << x2 << "," << y2;
    }
}

TEST(LineWithoutEnd, FarOffEndsDrawTheSameVisiblePixelsAsTheWholeWalk) {
    const struct {
        int x1, y1, x2, y2;
    } cases[] = {
        {0, 0, 30000000, 7},          // shallow, leaves through the right edge
        {30000000, 3, 0, 0},          // the same, walked backwards
        {-20000000, 4, 9, 2},         // comes in from far left
        {4, -25000000, 6, 25000000},  // steep, crosses top to bottom
        {-7000001, -7000000, 3, 2},   // almost diagonal from far up-left
        {25000000, 25000003, -5, -1}, // almost diagonal, backwards
    };
    for (const auto& c : cases) {
        EXPECT_EQ(drawnOn(10, 10, c.x1, c.y1, c.x2, c.y2),
                  walkedLine(10, 10, c.x1, c.y1, c.x2, c.y2))
            << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
    }
}

TEST(LineWithoutEnd, EndsAtTheLimitsOfIntFinishAndStayExact) {
    constexpr int lo = std::numeric_limits<int>::min();
    constexpr int hi = std::numeric_limits<int>::max();
    Pixels diagonal;
    for (int i = 0; i < 10; ++i) {
        diagonal.insert({i, i});
    }
    EXPECT_EQ(drawnOn(10, 10, lo, lo, hi, hi), diagonal);
    EXPECT_EQ(drawnOn(10, 10, -1000000000, -1000000000, 1000000000, 1000000000), diagonal);
    // 2 * 10^9 steps right for one step down, which comes half way: row 0 only.
    Pixels topRow;
    for (int x = 0; x < 10; ++x) {
        topRow.insert({x, 0});
    }
    EXPECT_EQ(drawnOn(10, 10, 0, 0, 2000000000, 1), topRow);
    EXPECT_EQ(drawnOn(10, 10, hi, lo, lo, hi), Pixels{});
    EXPECT_EQ(drawnOn(10, 10, lo, 3, hi, 3).size(), 10u);
    EXPECT_EQ(drawnOn(10, 10, 3, hi, 3, lo).size(), 10u);
}

QImage picture(QImage::Format format) {
    QImage p(5, 4, QImage::Format_ARGB32);
    for (int y = 0; y < p.height(); ++y) {
        for (int x = 0; x < p.width(); ++x) {
            p.setPixel(x, y, qRgba(50 * x, 60 * y, 90, x == 0 ? 128 : 255));
        }
    }
    return p.convertToFormat(format);
}

// A 4 x 3 coverage map: 0 to 255 in steps along the rows.
QImage coverage() {
    QImage mask(4, 3, QImage::Format_Alpha8);
    const int values[3][4] = {{0, 1, 127, 128}, {254, 255, 0, 255}, {64, 0, 0, 200}};
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            mask.scanLine(y)[x] = static_cast<uchar>(values[y][x]);
        }
    }
    return mask;
}

// Every drawing entry point.
const std::vector<test::DrawingEntryPoint>& entryPoints() {
    static const std::vector<test::DrawingEntryPoint> all = {
        {"setPixel", [](QImage& i) { common::setPixel(i, 3, 1, qRgb(1, 2, 3)); }},
        {"line across", [](QImage& i) { common::drawLineWithoutEnd(i, 0, 1, 10, 1, 0x123456); }},
        {"line down", [](QImage& i) { common::drawLineWithoutEnd(i, 2, -3, 2, 40, 0x123456); }},
        {"line slanted",
         [](QImage& i) { common::drawLineWithoutEnd(i, -4, -1, 1000000000, 9, 0x654321); }},
        {"fillRect", [](QImage& i) { common::fillRect(i, QRect(-2, 1, 30, 3), 0xAA0000); }},
        {"frameRect", [](QImage& i) { common::frameRect(i, QRect(1, 0, 8, 6), 0x00AA00); }},
        {"fillHatched",
         [](QImage& i) { common::fillHatched(i, QRect(0, 0, 12, 7), 5, 0x0000AA, 0xEEEEEE); }},
        {"fillTiled",
         [](QImage& i) {
             common::fillTiled(i, QRect(1, 1, 40, 40), picture(QImage::Format_RGB888));
         }},
        {"blendRect",
         [](QImage& i) { common::blendRect(i, QRect(0, 0, 12, 7), qRgb(0, 0, 255), 77); }},
        {"drawPicture stretched",
         [](QImage& i) {
             common::drawPicture(i, QRect(-1, 1, 9, 5), picture(QImage::Format_Indexed8),
                                 QRect(0, 0, 5, 4));
         }},
        {"drawPicture at a point",
         [](QImage& i) { common::drawPicture(i, QPoint(8, 4), picture(QImage::Format_ARGB32)); }},
        {"drawMask", [](QImage& i) { common::drawMask(i, QPoint(-1, 2), coverage(), 0x102030); }},
    };
    return all;
}

QImage startImage(QImage::Format format) {
    QImage base(12, 7, QImage::Format_RGB32);
    for (int y = 0; y < base.height(); ++y) {
        for (int x = 0; x < base.width(); ++x) {
            base.setPixel(x, y, qRgb(20 * x, 30 * y, 200));
        }
    }
    return base.convertToFormat(format);
}

TEST(RasterFormats, EveryEntryPointDrawsAnyFormatAsItsOwnSurfaceAndANullImageNotAtAll) {
    test::expectEveryFormatDrawnAsTheSurface(entryPoints(), startImage(kSurfaceFormat));
}

TEST(RasterFormats, DrawingStaysInsideARowPaddedImage) {
    // RGB888 rows of 10 pixels are 30 bytes: a 32-bit write at 4 bytes a pixel would run
    // 10 bytes past each row and 20 past the buffer. Under ASan that is caught; here the
    // result must simply be the line on the converted image.
    QImage image(10, 2, QImage::Format_RGB888);
    image.fill(Qt::white);
    common::drawLineWithoutEnd(image, 0, 1, 10, 1, qRgb(0, 0, 0));
    ASSERT_EQ(image.format(), kSurfaceFormat);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(image.pixel(x, 0), qRgb(255, 255, 255));
        EXPECT_EQ(image.pixel(x, 1), qRgb(0, 0, 0));
    }
}

TEST(Mask, EachPixelBlendsTheColourByItsCoverageAndOnlyInsideTheImage) {
    const QRgb ink = qRgb(200, 10, 90);
    struct Case {
        const char* name;
        QPoint at;
    } cases[] = {
        {"inside", {3, 2}},
        {"over the left and top edges", {-2, -1}},
        {"over the right and bottom edges", {10, 5}},
        {"far off", {std::numeric_limits<int>::max() - 1, std::numeric_limits<int>::min()}}};
    const QImage mask = coverage();
    for (const Case& c : cases) {
        QImage image = startImage(kSurfaceFormat);
        const QImage before = image;
        common::drawMask(image, c.at, mask, ink);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const std::int64_t mx = std::int64_t{x} - c.at.x();
                const std::int64_t my = std::int64_t{y} - c.at.y();
                QRgb expected = before.pixel(x, y);
                if (mx >= 0 && mx < mask.width() && my >= 0 && my < mask.height()) {
                    const int a = mask.constScanLine(static_cast<int>(my))[mx];
                    const QRgb under = before.pixel(x, y);
                    expected = qRgb(common::blendChannel(qRed(ink), qRed(under), a),
                                    common::blendChannel(qGreen(ink), qGreen(under), a),
                                    common::blendChannel(qBlue(ink), qBlue(under), a));
                }
                ASSERT_EQ(image.pixel(x, y), expected) << c.name << " at " << x << "," << y;
            }
        }
    }
    // Full coverage is the colour itself, none leaves the pixel.
    QImage image = startImage(kSurfaceFormat);
    common::drawMask(image, QPoint(0, 0), mask, ink);
    EXPECT_EQ(image.pixel(1, 1), ink);
    EXPECT_EQ(image.pixel(0, 0), startImage(kSurfaceFormat).pixel(0, 0));
}

TEST(Mask, AMaskInAnotherFormatDrawsNothing) {
    for (const QImage::Format format :
         {QImage::Format_Grayscale8, QImage::Format_ARGB32, QImage::Format_Mono}) {
        QImage image = startImage(kSurfaceFormat);
        common::drawMask(image, QPoint(0, 0), coverage().convertToFormat(format), 0);
        EXPECT_EQ(image, startImage(kSurfaceFormat)) << "format " << format;
    }
}

TEST(RasterFarOff, RectanglesAndPicturesAtTheLimitsOfIntDrawOnlyTheirVisiblePart) {
    constexpr int lo = std::numeric_limits<int>::min();
    constexpr int hi = std::numeric_limits<int>::max();
    const QRect everything(QPoint(lo, lo), QPoint(hi, hi));
    QImage image = startImage(kSurfaceFormat);
    common::fillRect(image, everything, qRgb(9, 9, 9));
    EXPECT_EQ(image.pixel(0, 0), qRgb(9, 9, 9));
    EXPECT_EQ(image.pixel(11, 6), qRgb(9, 9, 9));

    image = startImage(kSurfaceFormat);
    const QImage untouched = image;
    common::frameRect(image, everything, qRgb(1, 1, 1)); // its edges are far outside
    common::fillHatched(image, QRect(QPoint(hi - 3, 0), QPoint(hi, 6)), 4, 0, 0);
    common::blendRect(image, QRect(QPoint(lo, lo), QPoint(lo + 5, hi)), 0, 200);
    common::drawPicture(image, QPoint(hi, hi), picture(kSurfaceFormat));
    common::drawPicture(image, QPoint(lo, lo), picture(kSurfaceFormat));
    EXPECT_EQ(image, untouched);

    // A picture stretched over the whole int range shows its middle sample.
    QImage stretched = startImage(kSurfaceFormat);
    common::drawPicture(stretched, everything, picture(kSurfaceFormat), QRect(0, 0, 5, 4));
    EXPECT_EQ(stretched.pixel(0, 0), picture(kSurfaceFormat).pixel(2, 2));
    // And a huge source shrunk onto a few pixels samples it without walking it.
    QImage shrunk = startImage(kSurfaceFormat);
    common::drawPicture(shrunk, QRect(0, 0, 2, 2), picture(kSurfaceFormat), everything);
    EXPECT_EQ(shrunk.pixel(0, 0), startImage(kSurfaceFormat).pixel(0, 0)); // outside the source
}

} // namespace
