#include "remote/controls/instruments/instrumentlamp.h"

#include <gtest/gtest.h>

namespace {

struct LampCase {
    const char* name;
    bool lit;
    QRgb face;
};

class LampDrawing : public ::testing::TestWithParam<LampCase> {};

TEST_P(LampDrawing, FramesAFaceOfTheStatesColour) {
    QImage image(10, 8, QImage::Format_RGB32);
    image.fill(0xFF123456);
    const QRect rect(2, 1, 6, 5);
    InstrumentLamp::drawLamp(image, rect, GetParam().lit, QColor(0x20, 0xE0, 0x40));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            QRgb expected = 0xFF123456;
            if (rect.contains(x, y)) {
                const bool edge =
                    x == rect.left() || x == rect.right() || y == rect.top() || y == rect.bottom();
                expected = edge ? InstrumentLamp::kFrameColor : GetParam().face;
            }
            ASSERT_EQ(image.pixel(x, y), expected) << "at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, LampDrawing,
                         ::testing::Values(LampCase{"lit", true, 0xFF20E040},
                                           LampCase{"dark", false, 0xFF083810}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LampDrawing, ARectPartlyOutsideTheImageIsClipped) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(0xFF000000);
    InstrumentLamp::drawLamp(image, QRect(2, 2, 6, 6), true, Qt::green);
    EXPECT_EQ(image.pixel(2, 2), InstrumentLamp::kFrameColor);
    EXPECT_EQ(image.pixel(3, 3), QColor(Qt::green).rgb());
    EXPECT_EQ(image.pixel(1, 1), 0xFF000000u);
}

TEST(InstrumentLamp, ReportsOnlyRealChangesOfItsValue) {
    InstrumentLamp lamp;
    QList<bool> changes;
    QObject::connect(&lamp, &InstrumentLamp::valueChanged, [&](bool v) { changes.append(v); });
    lamp.setValue(false);
    lamp.setValue(true);
    lamp.setValue(true);
    lamp.setValue(false);
    EXPECT_EQ(changes, (QList<bool>{true, false}));
}

TEST(InstrumentLamp, PaintsItsStateOnScreen) {
    InstrumentLamp lamp;
    lamp.setValue(true);
    const QImage shown = lamp.grab().toImage();
    EXPECT_EQ(shown.pixel(lamp.width() / 2, lamp.height() / 2), lamp.onColor().rgb());
    lamp.setValue(false);
    EXPECT_EQ(lamp.grab().toImage().pixel(lamp.width() / 2, lamp.height() / 2),
              lamp.offColor().rgb());
}

} // namespace
