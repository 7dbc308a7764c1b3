// The widget: property writes, the stored property set and the back buffer.
#include "bar_test_support.h"

#include "remote/controls/progressbar/xp_progressbar.h"

#include "common/olecolor.h"
#include "common/propertybag.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace remote::controls::progressbar::test {
namespace {

using common::bgr;

// Keys the bar reports as changed, in order.
struct NotifiedKeys {
    explicit NotifiedKeys(XP_ProgressBar& bar) {
        QObject::connect(&bar, &XP_ProgressBar::propertyChanged,
                         [this](const QString& key) { keys.append(key); });
    }
    QStringList keys;
};

struct ValueCase {
    const char* name;
    int min, max, v;
    int percent; // after the write (and the drawing it triggers)
    int storedMin, storedMax;
    int readBack;
};

class ValueWrite : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ValueWrite, MapsThroughMinAndMax) {
    const ValueCase& c = GetParam();
    XP_ProgressBar bar;
    bar.setMin(c.min);
    bar.setMax(c.max);
    ASSERT_TRUE(bar.setValue(c.v));
    EXPECT_EQ(bar.percent(), c.percent);
    EXPECT_EQ(bar.min(), c.storedMin);
    EXPECT_EQ(bar.max(), c.storedMax);
    bool ok = false;
    EXPECT_EQ(bar.value(&ok), c.readBack);
    EXPECT_TRUE(ok);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ValueWrite,
    ::testing::Values(ValueCase{"zeroRaisesMin", 0, 100, 0, 1, 1, 100, 1},
                      ValueCase{"splashStep", 1, 100, 57, 58, 1, 100, 58},
                      ValueCase{"overHundredDrawnAsHundred", 1, 100, 101, 100, 1, 100, 100},
                      ValueCase{"maxZeroRaised", 1, 0, 0, 1, 1, 1, 0},
                      ValueCase{"halfDownToEven", 1, 200, 3, 2, 1, 200, 4}, // 2.5 -> 2
                      ValueCase{"halfUpToEven", 1, 200, 5, 4, 1, 200, 8},   // 3.5 -> 4
                      ValueCase{"dividedByMin", 3, 100, 10, 13, 3, 100, 4}, // 13 / 3
                      ValueCase{"negativeLeftAlone", 1, 100, -5, -4, 1, 100, -4},
                      ValueCase{"bothRaised", -5, -7, 0, 1, 1, 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ValueWrite, OverflowIsRefusedAndNothingStored) {
    XP_ProgressBar bar;
    bar.setMin(0);
    bar.setMax(0);
    const int before = bar.percent();
    for (int v :
         {21474837, -21474837, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
        EXPECT_FALSE(bar.setValue(v)) << v;
        EXPECT_EQ(bar.percent(), before);
        EXPECT_EQ(bar.min(), 0);
        EXPECT_EQ(bar.max(), 0);
    }
    // v * 100 fits, but adding Min does not.
    bar.setMin(std::numeric_limits<int>::max());
    bar.setMax(100);
    EXPECT_FALSE(bar.setValue(1));
    EXPECT_EQ(bar.percent(), before);
    // The largest product that fits is accepted.
    bar.setMin(1);
    bar.setMax(1);
    EXPECT_TRUE(bar.setValue(21474836));
    EXPECT_EQ(bar.percent(), 100);
}

TEST(ValueWrite, ReadThatOverflowsReportsIt) {
    XP_ProgressBar bar;
    bar.setMin(1);
    bar.setMax(1);
    ASSERT_TRUE(bar.setValue(-21474836)); // percent -2147483599
    bar.setMax(std::numeric_limits<int>::max());
    bool ok = true;
    EXPECT_EQ(bar.value(&ok), 0);
    EXPECT_FALSE(ok);
}

struct WriteCase {
    const char* name;
    int style; // set up before the write
    std::function<void(XP_ProgressBar&)> write;
    const char* key; // notified key, or nullptr
    bool redraws;
};

class PropertyWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(PropertyWrite, NotifiesAndRedrawsAsItsRowSays) {
    const WriteCase& c = GetParam();
    XP_ProgressBar bar;
    bar.setShowText(true);
    bar.setScrolling(c.style);
    bar.setMin(1);
    ASSERT_TRUE(bar.setValue(49));
    const QImage before = bar.backBuffer().copy();
    NotifiedKeys notified(bar);
    c.write(bar);
    if (c.key) {
        EXPECT_EQ(notified.keys, QStringList{QString::fromLatin1(c.key)});
    } else {
        EXPECT_TRUE(notified.keys.isEmpty());
    }
    if (c.redraws) {
        EXPECT_NE(bar.backBuffer(), before);
    } else {
        EXPECT_EQ(bar.backBuffer(), before);
        // The next paint shows the change.
        QImage shown(bar.size(), kSurfaceFormat);
        bar.render(&shown);
        if (std::string(c.name) != "Min" && std::string(c.name) != "Max") {
            EXPECT_NE(bar.backBuffer(), before);
        }
    }
}

QImage stripes() {
    QImage tile(4, 4, kSurfaceFormat);
    tile.fill(qRgb(250, 10, 10));
    return tile;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PropertyWrite,
    ::testing::Values(
        WriteCase{"BrushStyle", 7, [](XP_ProgressBar& b) { b.setBrushStyle(3); }, "BrushStyle",
                  false},
        WriteCase{"Font", 0,
                  [](XP_ProgressBar& b) {
                      QFont f = b.labelFont();
                      f.setPixelSize(16);
                      b.setLabelFont(f);
                  },
                  nullptr, false},
        WriteCase{"Min", 0, [](XP_ProgressBar& b) { b.setMin(5); }, "Min", false},
        WriteCase{"Max", 0, [](XP_ProgressBar& b) { b.setMax(5); }, "Max", false},
        WriteCase{"Color", 0, [](XP_ProgressBar& b) { b.setColor(0x0000FF); }, nullptr, true},
        WriteCase{"Image", 8, [](XP_ProgressBar& b) { b.setImage(stripes()); }, "Image", true},
        WriteCase{"Orientation", 0, [](XP_ProgressBar& b) { b.setOrientation(1); }, "Orientation",
                  true},
        WriteCase{"Scrolling", 0, [](XP_ProgressBar& b) { b.setScrolling(3); }, "Scrolling", true},
        WriteCase{"ShowText", 0, [](XP_ProgressBar& b) { b.setShowText(false); }, "ShowText", true},
        WriteCase{"Value", 0, [](XP_ProgressBar& b) { b.setValue(80); }, nullptr, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Properties, StartsAsANewControl) {
    XP_ProgressBar bar;
    EXPECT_EQ(bar.max(), 100);
    EXPECT_EQ(bar.min(), 0);
    EXPECT_EQ(bar.percent(), 0);
    EXPECT_EQ(bar.orientation(), 0);
    EXPECT_EQ(bar.scrolling(), 0);
    EXPECT_EQ(bar.brushStyle(), 0);
    EXPECT_FALSE(bar.showText());
    EXPECT_TRUE(bar.image().isNull());
    EXPECT_EQ(bar.color(), sys(common::Highlight));
    EXPECT_EQ(bar.labelFont().family(), QStringLiteral("DejaVu Sans"));
    EXPECT_TRUE(bar.isBuffered());
    EXPECT_EQ(pixelAt(bar.backBuffer(), 0, 0), 0xFFFFFFu); // corner pixel of a drawn frame
    EXPECT_EQ(pixelAt(bar.backBuffer(), 0, 5), 0x686868u);
}

TEST(Properties, ColourIsStoredTranslatedAndBadColoursAreRefused) {
    XP_ProgressBar bar;
    EXPECT_TRUE(bar.setColor(common::systemColor(common::ButtonFace)));
    EXPECT_EQ(bar.color(), sys(common::ButtonFace));
    common::FilePropertyBag bag;
    bar.writeProperties(bag);
    EXPECT_EQ(bag.readProperty(QStringLiteral("Color"), 0).toUInt(), sys(common::ButtonFace));

    for (OleColor bad : {0x80000019u, 0x800000FFu, 0x01000000u}) {
        EXPECT_FALSE(bar.setColor(bad)) << std::hex << bad;
        EXPECT_EQ(bar.color(), sys(common::ButtonFace));
    }
    // Through the property system as well.
    EXPECT_TRUE(bar.setProperty("Color", QVariant::fromValue<uint>(0x006A240A)));
    EXPECT_EQ(bar.color(), 0x006A240Au);
}

TEST(Properties, BrushStyleOutsideTheSixPatternsIsRefused) {
    XP_ProgressBar bar;
    NotifiedKeys notified(bar);
    EXPECT_TRUE(bar.setBrushStyle(5));
    EXPECT_FALSE(bar.setBrushStyle(6));
    EXPECT_FALSE(bar.setBrushStyle(-1));
    EXPECT_EQ(bar.brushStyle(), 5);
    EXPECT_EQ(notified.keys.size(), 1);
}

TEST(Primitives, WidgetDrawGradientWritesTranslatedColoursBack) {
    XP_ProgressBar bar;
    QImage image = surface(8, 8);
    OleColor c1 = common::systemColor(common::Highlight);
    OleColor c2 = common::systemColor(common::Highlight);
    ASSERT_TRUE(bar.DrawGradient(c1, c2, 0, 0, 3, 8, image, true));
    EXPECT_EQ(c1, sys(common::Highlight));
    EXPECT_EQ(c2, sys(common::Highlight));
    EXPECT_EQ(pixelAt(image, 3, 7), sys(common::Highlight));
    EXPECT_EQ(pixelAt(image, 4, 0), kUntouched);

    OleColor bad = 0x80000019;
    OleColor good = 0x123456;
    image = surface(8, 8);
    EXPECT_FALSE(bar.DrawGradient(good, bad, 0, 0, 3, 8, image, true));
    EXPECT_EQ(bad, 0x80000019u);
    EXPECT_FALSE(bar.DrawLine(0, 0, 5, 0, image, bad));
    EXPECT_EQ(image, surface(8, 8));
    EXPECT_TRUE(bar.DrawLine(0, 0, 5, 0, image, common::systemColor(common::Highlight)));
    EXPECT_EQ(pixelAt(image, 4, 0), sys(common::Highlight));
    EXPECT_EQ(pixelAt(image, 5, 0), kUntouched);
}

TEST(BackBuffer, GrowsWithTheControlAndNeverShrinks) {
    XP_ProgressBar bar;
    bar.resize(100, 20);
    bar.DrawProgressBar();
    EXPECT_EQ(bar.backBuffer().size(), QSize(100, 20));

    bar.resize(200, 20);
    bar.DrawProgressBar();
    EXPECT_EQ(bar.backBuffer().size(), QSize(200, 20));
    const uchar* bits = bar.backBuffer().constBits();

    bar.resize(100, 20);
    bar.DrawProgressBar();
    EXPECT_EQ(bar.backBuffer().size(), QSize(200, 20));
    EXPECT_EQ(bar.backBuffer().constBits(), bits);

    // Taller but narrower: each side keeps its largest size.
    bar.resize(50, 40);
    bar.DrawProgressBar();
    EXPECT_EQ(bar.backBuffer().size(), QSize(200, 40));
}

TEST(BackBuffer, ShownOnScreenExactlyAsDrawn) {
    XP_ProgressBar bar;
    bar.resize(120, 24);
    bar.setShowText(true);
    bar.setMin(1);
    bar.setValue(41);
    bar.resize(60, 16); // the buffer keeps its 120 x 24 size; only 60 x 16 is shown
    QImage shown(60, 16, kSurfaceFormat);
    bar.render(&shown);
    EXPECT_EQ(shown, bar.backBuffer().copy(0, 0, 60, 16));
    EXPECT_EQ(bar.state().clientRect.right, 60);
}

TEST(BackBuffer, PDrawCopiesBlocks) {
    XP_ProgressBar bar;
    bar.resize(100, 20);
    bar.setValue(30);

    QImage whole = surface(100, 20);
    bar.pDraw(whole, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(whole, bar.backBuffer());

    QImage part = surface(30, 30);
    bar.pDraw(part, 4, 8, 10, 5, 2, 3);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            const bool inBlock = x >= 2 && x < 12 && y >= 3 && y < 8;
            const OleColor expected =
                inBlock ? pixelAt(bar.backBuffer(), x - 2 + 4, y - 3 + 8) : kUntouched;
            ASSERT_EQ(pixelAt(part, x, y), expected) << x << "," << y;
        }
    }
}

// The stored property set.

QStringList keysWritten(const XP_ProgressBar& bar) {
    common::FilePropertyBag bag;
    bar.writeProperties(bag);
    return bag.keys();
}

TEST(StoredProperties, OnlyChangedKeysAreWrittenInTheirOrder) {
    XP_ProgressBar bar;
    // A new bar holds BrushStyle 0 against a stored default of 4, and a translated colour
    // that never equals the system-colour default.
    EXPECT_EQ(keysWritten(bar), (QStringList{QStringLiteral("Font"), QStringLiteral("BrushStyle"),
                                             QStringLiteral("Color")}));

    bar.setShowText(true);
    bar.setScrolling(7);
    bar.setOrientation(1);
    bar.setImage(stripes());
    bar.setMax(200);
    bar.setMin(3);
    bar.setValue(50); // percent 50 * 100 / 200 + 3 = 28
    common::FilePropertyBag bag;
    bar.writeProperties(bag);
    EXPECT_EQ(bag.keys(), (QStringList{"Font", "BrushStyle", "Color", "Image", "Max", "Min",
                                       "Orientation", "Scrolling", "ShowText", "Value"}));
    EXPECT_EQ(bag.readProperty("Value", 0).toInt(), 28);
    EXPECT_EQ(bag.readProperty("ShowText", false).toBool(), true);
    EXPECT_EQ(bag.readProperty("Image", QVariant()).value<QImage>(), stripes());
}

TEST(StoredProperties, RoundTripThroughAFileAddsMinToThePercent) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("bar.props"));

    XP_ProgressBar saved;
    saved.setColor(0x006A240A);
    saved.setMin(1);
    saved.setMax(100);
    ASSERT_TRUE(saved.setValue(8));
    ASSERT_EQ(saved.percent(), 9);
    saved.setShowText(true);
    common::FilePropertyBag out;
    saved.writeProperties(out);
    QString error;
    ASSERT_TRUE(out.save(path, &error)) << error.toStdString();

    const std::optional<common::FilePropertyBag> in = common::FilePropertyBag::load(path, &error);
    ASSERT_TRUE(in) << error.toStdString();
    XP_ProgressBar loaded;
    ASSERT_TRUE(loaded.readProperties(*in, &error)) << error.toStdString();
    EXPECT_EQ(loaded.percent(), 10);
    EXPECT_EQ(loaded.min(), 1);
    EXPECT_EQ(loaded.max(), 100);
    EXPECT_EQ(loaded.color(), 0x006A240Au);
    EXPECT_TRUE(loaded.showText());
    EXPECT_EQ(loaded.brushStyle(), 0);
}

TEST(StoredProperties, TheProgramsTwoBarsLoad) {
    struct Case {
        const char* name;
        QList<QPair<QString, QVariant>> stored;
        int orientation;
        OleColor colour;
        int percent;
    };
    const Case cases[] = {
        {"splash",
         {{"BrushStyle", 0}, {"Color", 0x006A240A}, {"Min", 1}, {"Value", 9}},
         0,
         0x006A240A,
         10},
        {"main",
         {{"BrushStyle", 0}, {"Color", 0x000000FF}, {"Min", 1}, {"Orientation", 1}, {"Value", 100}},
         1,
         0x000000FF,
         100},
    };
    for (const Case& c : cases) {
        common::FilePropertyBag bag;
        for (const auto& [key, value] : c.stored) {
            bag.writeProperty(key, value);
        }
        XP_ProgressBar bar;
        QString error;
        ASSERT_TRUE(bar.readProperties(bag, &error)) << c.name << error.toStdString();
        EXPECT_EQ(bar.brushStyle(), 0) << c.name;
        EXPECT_EQ(bar.color(), c.colour) << c.name;
        EXPECT_EQ(bar.min(), 1) << c.name;
        EXPECT_EQ(bar.max(), 100) << c.name;
        EXPECT_EQ(bar.orientation(), c.orientation) << c.name;
        EXPECT_EQ(bar.percent(), c.percent) << c.name;
    }
}

TEST(StoredProperties, AnEmptyBagGivesTheStoredDefaults) {
    XP_ProgressBar bar;
    bar.setScrolling(4);
    QFont font = bar.labelFont();
    font.setPixelSize(20);
    common::FilePropertyBag bag;
    bag.writeProperty(QStringLiteral("Font"), font);
    ASSERT_TRUE(bar.readProperties(bag));
    EXPECT_EQ(bar.brushStyle(), 4);
    EXPECT_EQ(bar.scrolling(), 0);
    EXPECT_EQ(bar.color(), sys(common::Highlight));
    EXPECT_EQ(bar.percent(), 1); // Value 0 through the write raises Min to 1
    EXPECT_EQ(bar.min(), 1);
    EXPECT_EQ(bar.labelFont().pixelSize(), 11); // Font is not read back
}

TEST(StoredProperties, BadValuesAreRefusedOneByOne) {
    struct Case {
        const char* key;
        QVariant bad;
        std::function<int(const XP_ProgressBar&)> field;
    };
    const Case cases[] = {
        {"BrushStyle", 9, [](const XP_ProgressBar& b) { return b.brushStyle(); }},
        {"Color", 0x80000019u, [](const XP_ProgressBar& b) { return int(b.color()); }},
        {"Color", QStringLiteral("red"), [](const XP_ProgressBar& b) { return int(b.color()); }},
        {"Max", QStringLiteral("lots"), [](const XP_ProgressBar& b) { return b.max(); }},
        {"Max", QVariant::fromValue<qulonglong>(~0ull),
         [](const XP_ProgressBar& b) { return b.max(); }},
        {"Min", 1e12, [](const XP_ProgressBar& b) { return b.min(); }},
        {"Scrolling", QVariant(), [](const XP_ProgressBar& b) { return b.scrolling(); }},
        {"ShowText", QStringLiteral("yes"),
         [](const XP_ProgressBar& b) { return int(b.showText()); }},
        {"Image", 5, [](const XP_ProgressBar& b) { return int(b.image().isNull()); }},
        {"Value", 30000000, [](const XP_ProgressBar& b) { return b.percent(); }},
    };
    for (const Case& c : cases) {
        XP_ProgressBar bar;
        bar.setBrushStyle(2);
        bar.setScrolling(5);
        bar.setMax(50);
        bar.setMin(2);
        bar.setValue(10); // percent 22
        const int before = c.field(bar);
        common::FilePropertyBag bag;
        bag.writeProperty(QStringLiteral("Orientation"), 1);
        bag.writeProperty(QString::fromLatin1(c.key), c.bad);
        QString error;
        EXPECT_FALSE(bar.readProperties(bag, &error)) << c.key;
        EXPECT_TRUE(error.startsWith(QString::fromLatin1(c.key))) << error.toStdString();
        if (std::string(c.key) != "Value") {
            EXPECT_EQ(c.field(bar), before) << c.key;
        } else {
            EXPECT_EQ(bar.percent(), 22);
        }
        EXPECT_EQ(bar.orientation(), 1) << c.key << ": the good keys still load";
    }
}

} // namespace
} // namespace remote::controls::progressbar::test
