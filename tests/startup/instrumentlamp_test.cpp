#include "remote/controls/instruments/instrumentlamp.h"

#include <QHash>
#include <QTest>

#include <gtest/gtest.h>

using remote::controls::InstrumentLamp;

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

// Counts paint events per widget.
class PaintCounter : public QObject {
public:
    int of(const QObject* widget) const { return m_counts.value(widget); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++m_counts[watched];
        }
        return false;
    }

private:
    QHash<const QObject*, int> m_counts;
};

// A lamp on a window beside a plain widget whose repaint shows when a paint pass is over.
class ShownLamp : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(60, 30);
        lamp = new InstrumentLamp(&window);
        sentinel = new QWidget(&window);
        sentinel->setGeometry(30, 0, 20, 20);
        lamp->installEventFilter(&paints);
        sentinel->installEventFilter(&paints);
        lamp->setValue(true);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_TRUE(QTest::qWaitFor([&] { return paints.of(lamp) > 0; }, 5000));
    }

    // Asks for a repaint of the sentinel and waits for it: any paint due before is done.
    void finishPaintPass() {
        const int before = paints.of(sentinel);
        sentinel->update();
        ASSERT_TRUE(QTest::qWaitFor([&] { return paints.of(sentinel) > before; }, 5000));
    }

    QImage face() { return lamp->grab().toImage(); }

    QWidget window;
    InstrumentLamp* lamp = nullptr;
    QWidget* sentinel = nullptr;
    PaintCounter paints;
};

TEST_F(ShownLamp, TurnedOffAndOnAgainInOneHandlerItIsNotRepainted) {
    finishPaintPass();
    const int before = paints.of(lamp);
    lamp->setValue(false);
    lamp->setValue(true);
    finishPaintPass();
    EXPECT_EQ(paints.of(lamp), before);
}

TEST_F(ShownLamp, AChangeThatStandsIsPaintedOnce) {
    finishPaintPass();
    const int before = paints.of(lamp);
    lamp->setValue(false);
    lamp->setOnColor(Qt::red);
    ASSERT_TRUE(QTest::qWaitFor([&] { return paints.of(lamp) > before; }, 5000));
    finishPaintPass();
    EXPECT_EQ(paints.of(lamp), before + 1);
    EXPECT_EQ(face().pixel(lamp->width() / 2, lamp->height() / 2),
              InstrumentLamp::darkOf(Qt::red).rgb());
}

} // namespace
