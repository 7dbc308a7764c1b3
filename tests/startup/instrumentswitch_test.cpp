#include "remote/controls/instruments/instrumentswitch.h"
#include "remote/controls/instruments/scanmark.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using remote::controls::InstrumentSwitch;
using remote::controls::ScanMark;
using remote::controls::SlideSwitch;
using remote::controls::ToggleSwitch;

namespace {

constexpr QRgb kOutside = 0xFF123456;
constexpr QRgb kBack = 0xFFFFFF80;

QImage canvas(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kOutside);
    return image;
}

TEST(ToggleSwitchDrawing, TheLeverStandsUpWhenOnAndDownWhenOff) {
    const QRect rect(2, 2, 28, 44);
    for (const bool on : {true, false}) {
        QImage image = canvas(32, 48);
        ToggleSwitch::drawSwitch(image, rect, on, QColor::fromRgb(kBack));
        const int x = rect.center().x();
        const int upper = rect.top() + rect.height() / 3;
        const int lower = rect.bottom() - rect.height() / 3;
        EXPECT_EQ(image.pixel(x, upper), on ? ToggleSwitch::kLeverColor : ToggleSwitch::kSlotColor)
            << "on=" << on;
        EXPECT_EQ(image.pixel(x, lower), on ? ToggleSwitch::kSlotColor : ToggleSwitch::kLeverColor)
            << "on=" << on;
        EXPECT_EQ(image.pixel(rect.left(), rect.top()), ToggleSwitch::kFrameColor);
        EXPECT_EQ(image.pixel(rect.left() + 1, rect.top() + 1), kBack) << "the face shows the back";
        EXPECT_EQ(image.pixel(0, 0), kOutside) << "nothing outside the rect";
    }
}

TEST(SlideSwitchDrawing, TheKnobSitsRightWhenOnWithTheTrackLit) {
    const QRect rect(0, 0, 56, 22);
    QImage on = canvas(56, 22);
    SlideSwitch::drawSwitch(on, rect, true, QColor::fromRgb(kBack));
    QImage off = canvas(56, 22);
    SlideSwitch::drawSwitch(off, rect, false, QColor::fromRgb(kBack));
    EXPECT_EQ(on.pixel(10, 11), SlideSwitch::kOnColor);
    EXPECT_EQ(on.pixel(45, 11), SlideSwitch::kLeverColor);
    EXPECT_EQ(off.pixel(10, 11), SlideSwitch::kLeverColor);
    EXPECT_EQ(off.pixel(45, 11), SlideSwitch::kSlotColor);
}

TEST(SwitchDrawing, AnySizeOrPlaceIsSafe) {
    const QRect rects[] = {{-50, -50, 60, 60}, {30, 30, 100, 100}, {0, 0, 2, 2},
                           {0, 0, 0, 0},       {5, 5, -4, -4},     {-1000000, 0, 3, 3}};
    for (const QRect& r : rects) {
        QImage image = canvas(40, 40);
        ToggleSwitch::drawSwitch(image, r, true, Qt::white);
        SlideSwitch::drawSwitch(image, r, false, Qt::white);
        ScanMark::drawMark(image, r, -7);
    }
    QImage null;
    ToggleSwitch::drawSwitch(null, QRect(0, 0, 10, 10), true, Qt::white);
    QImage indexed(12, 12, QImage::Format_Indexed8); // drawn after conversion, never overrun
    indexed.setColorCount(1);
    indexed.fill(0);
    SlideSwitch::drawSwitch(indexed, QRect(0, 0, 12, 12), true, Qt::white);
    EXPECT_EQ(indexed.pixel(0, 0), ToggleSwitch::kFrameColor);
}

TEST(ScanMarkDrawing, TheHandPointsUpThenTurnsAQuarterEveryTwoPhases) {
    const QRect rect(0, 0, 22, 22);
    const int c = 11; // centre
    const struct {
        int phase;
        QPoint along; // a pixel on the hand, away from the centre
        QPoint off;   // a pixel where the hand is not
    } cases[] = {{0, {c, c - 6}, {c + 6, c}},
                 {2, {c + 6, c}, {c, c - 6}},
                 {4, {c, c + 6}, {c, c - 6}},
                 {6, {c - 6, c}, {c + 6, c}},
                 {8, {c, c - 6}, {c + 6, c}}};
    for (const auto& k : cases) {
        QImage image = canvas(22, 22);
        ScanMark::drawMark(image, rect, k.phase);
        EXPECT_EQ(image.pixel(k.along), ScanMark::kSweepColor) << "phase " << k.phase;
        EXPECT_EQ(image.pixel(k.off), ScanMark::kDialColor) << "phase " << k.phase;
    }
}

TEST(InstrumentSwitch, AClickFlipsItAndIsReportedAsTheOperators) {
    ToggleSwitch sw;
    sw.show();
    QSignalSpy clicks(&sw, &QAbstractButton::clicked);
    QSignalSpy values(&sw, &InstrumentSwitch::valueChanged);
    QTest::mouseClick(&sw, Qt::LeftButton);
    EXPECT_TRUE(sw.isChecked());
    EXPECT_EQ(clicks.count(), 1);
    sw.setValue(false); // the program moving it is not an operation
    EXPECT_EQ(clicks.count(), 1);
    ASSERT_EQ(values.count(), 2);
    EXPECT_EQ(values[0][0].toBool(), true);
    EXPECT_EQ(values[1][0].toBool(), false);

    // A press that leaves the switch before the release is no click.
    QTest::mousePress(&sw, Qt::LeftButton);
    QTest::mouseRelease(&sw, Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_FALSE(sw.isChecked());
}

TEST(InstrumentSwitch, PaintsItsStateOnScreen) {
    SlideSwitch sw;
    sw.setValue(true);
    const QImage shot = sw.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot.pixel(10, 11), SlideSwitch::kOnColor);
}

} // namespace
