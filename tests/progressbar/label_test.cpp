// The text label: its text, its centred box and the contrasting copy over the fill.
#include "bar_test_support.h"

#include "common/numeric.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

namespace remote::controls::progressbar::test {
namespace {

constexpr int W = 100;
constexpr int H = 20;

ProgressBarState labelled(int style, int percent, OleColor colour = kBlue) {
    ProgressBarState s = barState(style, percent, colour);
    s.ShowText = true;
    return s;
}

int measuredWidth(const ProgressBarState& s, const QString& text) {
    QImage probe = surface(1, 1);
    return QFontMetrics(s.Font, &probe).horizontalAdvance(text);
}

struct Extent {
    int left = INT_MAX, right = INT_MIN, count = 0;
};

Extent darkPixels(const QImage& image, const Box& box) {
    Extent e;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            if (isDark(pixelAt(image, x, y))) {
                e.left = std::min(e.left, x);
                e.right = std::max(e.right, x);
                ++e.count;
            }
        }
    }
    return e;
}

TEST(Label, TextOfEachStyle) {
    const struct {
        int style;
        int percent;
        const char* text;
    } cases[] = {
        {0, 57, "57 %"}, {2, 57, "Searching.."}, {5, 0, "0 %"}, {1, 150, "100 %"}, {3, -4, "-4 %"},
    };
    for (const auto& c : cases) {
        const Drawn d = drawBar(labelled(c.style, c.percent), W, H);
        QImage image = d.image;
        ProgressBarState s = d.state;
        EXPECT_EQ(ProgressBarPainter(image, s, W, H).labelText(), QString::fromLatin1(c.text));
    }
}

TEST(Label, CentredInBlackFromTheFirstDrawing) {
    // A white bar, so only the label is dark.
    const Drawn d = drawBar(labelled(0, 57, 0xFFFFFF), W, H);
    const int w = measuredWidth(d.state, QStringLiteral("57 %"));
    const Box& r = d.state.textRect;
    EXPECT_EQ(r.right - r.left, w);
    EXPECT_EQ(r.left, static_cast<int>(common::roundHalfEven(W / 2.0 - w / 2.0)));
    EXPECT_LE(std::abs((r.top + r.bottom) - H), 1);

    const Extent inside = darkPixels(d.image, r);
    const Extent everywhere = darkPixels(d.image, {3, 3, W - 3, H - 3});
    EXPECT_GT(inside.count, 10);
    EXPECT_EQ(inside.count, everywhere.count) << "label drawn outside its box";
    EXPECT_LE(std::abs((inside.left + inside.right + 1) / 2.0 - W / 2.0), 2.0);
    EXPECT_GT(countPixels(d.image, r, [](OleColor c) { return c == 0; }), 0);

    // A second drawing puts it in the same place.
    QImage again = d.image;
    ProgressBarState s = d.state;
    ProgressBarPainter(again, s, W, H).DrawProgressBar();
    EXPECT_EQ(s.textRect, d.state.textRect);
    EXPECT_EQ(again, d.image);
}

TEST(Label, ShorterTextIsNotClippedByTheLastBox) {
    ProgressBarState s = labelled(0, 100, 0xFFFFFF);
    QImage image = surface(W, H);
    ProgressBarPainter(image, s, W, H).DrawProgressBar();
    s.percent = 8;
    ProgressBarPainter(image, s, W, H).DrawProgressBar();
    EXPECT_EQ(s.textRect.right - s.textRect.left, measuredWidth(s, QStringLiteral("8 %")));
    EXPECT_EQ(image, drawBar(labelled(0, 8, 0xFFFFFF), W, H).image);
}

TEST(Label, HiddenUnlessShowText) {
    ProgressBarState s = labelled(0, 57, 0xFFFFFF);
    s.ShowText = false;
    const Drawn d = drawBar(s, W, H);
    EXPECT_EQ(darkPixels(d.image, {3, 3, W - 3, H - 3}).count, 0);
}

TEST(Label, GlassStyleShowsOnlyTheWhiteCopyOverAFullFill) {
    const Drawn full = drawBar(labelled(9, 100), W, H);
    const Box& r = full.state.textRect;
    EXPECT_EQ(darkPixels(full.image, r).count, 0);
    EXPECT_GT(countPixels(full.image, r, [](OleColor c) { return c == 0xFFFFFF; }), 10);

    const Drawn empty = drawBar(labelled(9, 0), W, H);
    EXPECT_GT(darkPixels(empty.image, empty.state.textRect).count, 10);
    EXPECT_EQ(
        countPixels(empty.image, empty.state.textRect, [](OleColor c) { return c == 0xFFFFFF; }),
        0);
}

TEST(Label, DarkStyleSplitsTheLabelAtTheFillEnd) {
    const OleColor overlay = LightenColor(kBlue, 80);
    const auto silver = [](OleColor c) { return c == 0xC0C0C0; };
    const auto contrast = [overlay](OleColor c) { return c == overlay; };

    // At 50 % the fill ends at column 50, inside the label.
    const Drawn half = drawBar(labelled(6, 50), W, H);
    const Box& r = half.state.textRect;
    ASSERT_LT(r.left, 50);
    ASSERT_GT(r.right, 50);
    EXPECT_GT(countPixels(half.image, {r.left, r.top, 50, r.bottom}, contrast), 0);
    EXPECT_EQ(countPixels(half.image, {50, r.top, r.right, r.bottom}, contrast), 0);
    EXPECT_GT(countPixels(half.image, {50, r.top, r.right, r.bottom}, silver), 0);
    EXPECT_EQ(countPixels(half.image, {r.left, r.top, 50, r.bottom}, silver), 0);

    // Over a full fill only the contrasting copy is drawn.
    const Drawn full = drawBar(labelled(6, 100), W, H);
    EXPECT_EQ(countPixels(full.image, full.state.textRect, silver), 0);
    EXPECT_GT(countPixels(full.image, full.state.textRect, contrast), 0);
}

TEST(Label, FontDecidesTheBox) {
    ProgressBarState s = labelled(1, 42, 0xFFFFFF);
    s.Font.setPixelSize(16);
    const Drawn d = drawBar(s, 120, 30);
    EXPECT_EQ(d.state.textRect.right - d.state.textRect.left,
              measuredWidth(d.state, QStringLiteral("42 %")));
    EXPECT_GT(d.state.textRect.bottom - d.state.textRect.top,
              drawBar(labelled(1, 42, 0xFFFFFF), 120, 30).state.textRect.bottom -
                  drawBar(labelled(1, 42, 0xFFFFFF), 120, 30).state.textRect.top);
}

} // namespace
} // namespace remote::controls::progressbar::test
