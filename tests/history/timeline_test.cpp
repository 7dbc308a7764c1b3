#include "remote/history/timeline.h"

#include "common/raster.h"

#include <gtest/gtest.h>

using namespace remote::history::timeline;

namespace {

// 101 columns over 1000 ms: one column per 10 ms. Rows are 10 pixels (90 high).
State knownState() {
    State s;
    s.fromMs = 5000;
    s.toMs = 6000;
    s.marks = {{5000, 0}, {5500, 4}, {6000, 8}, {4999, 1}, {6001, 2}, {5200, 9}, {5300, -1}};
    return s;
}

QImage painted(const State& s, QImage::Format format = QImage::Format_ARGB32) {
    QImage image(101, 90, format);
    image.fill(Qt::black);
    paint(image, s);
    return image;
}

} // namespace

TEST(Timeline, EachAlarmIsAMarkInItsChannelsRowAtItsTime) {
    const QImage image = painted(knownState());
    // Row 0: a mark at the first column, rows 1 to 8 of the row (a pixel free at each end).
    for (int y = 0; y < 10; ++y) {
        const QRgb expected = y == 0 ? kBackground : y == 9 ? kRowLine : kMark;
        EXPECT_EQ(image.pixel(0, y), expected) << y;
        EXPECT_EQ(image.pixel(1, y), y == 9 ? kRowLine : kBackground) << y;
    }
    EXPECT_EQ(image.pixel(50, 45), kMark); // channel 4 at the middle
    EXPECT_EQ(image.pixel(49, 45), kBackground);
    EXPECT_EQ(image.pixel(100, 85), kMark); // channel 8 at the end
    // Stripes on odd rows, with nothing drawn for alarms outside the range or channels.
    for (int x = 0; x < 101; ++x) {
        EXPECT_EQ(image.pixel(x, 15), kStripe) << x;     // channel 1: its alarm is before the range
        EXPECT_EQ(image.pixel(x, 25), kBackground) << x; // channel 2: after the range
    }
    int marks = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            marks += image.pixel(x, y) == kMark;
        }
    }
    EXPECT_EQ(marks, 3 * 8);
}

TEST(Timeline, TheHoveredMarkIsDrawnWiderInTheHoverColour) {
    State s = knownState();
    s.hovered = 1;
    const QImage image = painted(s);
    for (int x : {49, 50, 51}) {
        EXPECT_EQ(image.pixel(x, 45), kHoverMark) << x;
    }
    EXPECT_EQ(image.pixel(52, 45), kBackground);
}

TEST(Timeline, HitTestFindsTheNearestMarkInTheRowUnderTheCursor) {
    const State s = knownState();
    const QSize size(101, 90);
    EXPECT_EQ(hitTest(s, size, {50, 45}), 1u);
    EXPECT_EQ(hitTest(s, size, {53, 41}), 1u);
    EXPECT_FALSE(hitTest(s, size, {54, 45}));
    EXPECT_FALSE(hitTest(s, size, {50, 35})) << "another row";
    EXPECT_EQ(hitTest(s, size, {2, 0}), 0u);
    EXPECT_FALSE(hitTest(s, size, {50, 95})) << "below the rows";
    EXPECT_FALSE(hitTest(s, size, {-5, -5}));
    EXPECT_FALSE(hitTest(s, QSize(0, 0), {0, 0}));
}

TEST(Timeline, AnySizeFormatAndRangeIsSafe) {
    const State s = knownState();
    for (const QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888,
          QImage::Format_Indexed8, QImage::Format_Mono, QImage::Format_RGB16}) {
        QImage image(101, 90, format);
        paint(image, s);
        EXPECT_EQ(image.format(), common::kSurfaceFormat);
        EXPECT_EQ(image.size(), QSize(101, 90));
        EXPECT_EQ(image.pixel(50, 45), kMark);
    }
    for (const QSize size : {QSize(1, 1), QSize(1, 100), QSize(500, 5), QSize(3, 9)}) {
        QImage image(size, QImage::Format_ARGB32);
        paint(image, s);
    }
    QImage null;
    paint(null, s);
    EXPECT_TRUE(null.isNull());

    State extreme;
    extreme.fromMs = INT64_MIN / 2;
    extreme.toMs = INT64_MAX / 2;
    extreme.marks = {{0, 3}, {INT64_MAX / 2, 3}};
    QImage wide(30000, 90, QImage::Format_ARGB32);
    paint(wide, extreme);
    EXPECT_EQ(wide.pixel(14999, 35), kMark);
    EXPECT_EQ(wide.pixel(29999, 35), kMark);
    State backwards = knownState();
    std::swap(backwards.fromMs, backwards.toMs);
    QImage image = painted(backwards);
    EXPECT_EQ(image.pixel(50, 45), kBackground) << "an empty range shows no marks";
}
