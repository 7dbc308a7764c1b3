#include "common/olecolor.h"

#include <gtest/gtest.h>

namespace {

using common::OleColor;

TEST(OleColor, PlainValuesPassUnchanged) {
    EXPECT_EQ(common::translateOleColor(0x006A240Au), 0x006A240Au);
    EXPECT_EQ(common::translateOleColor(0x00000000u), 0x00000000u);
    EXPECT_EQ(common::translateOleColor(0x00FFFFFFu), 0x00FFFFFFu);
}

TEST(OleColor, SystemColoursAreLookedUp) {
    EXPECT_EQ(common::translateOleColor(common::systemColor(common::Window)),
              common::bgr(255, 255, 255));
    EXPECT_EQ(common::translateOleColor(0x8000000Du), common::bgr(49, 106, 197));
    EXPECT_EQ(common::translateOleColor(0x8000000Fu), common::bgr(236, 233, 216));
}

TEST(OleColor, UnknownIndexesAndStrayHighBitsAreRefused) {
    EXPECT_EQ(common::translateOleColor(0x80000019u), std::nullopt); // index 25 is unused
    EXPECT_EQ(common::translateOleColor(0x8000001Fu), std::nullopt);
    EXPECT_EQ(common::translateOleColor(0x81000000u), std::nullopt);
    EXPECT_EQ(common::translateOleColor(0x01000000u), std::nullopt);
}

TEST(OleColor, ComponentsAreLowByteRed) {
    const OleColor c = 0x006A240Au;
    EXPECT_EQ(common::redOf(c), 0x0A);
    EXPECT_EQ(common::greenOf(c), 0x24);
    EXPECT_EQ(common::blueOf(c), 0x6A);
    EXPECT_EQ(common::toQColor(c), QColor(0x0A, 0x24, 0x6A));
    EXPECT_EQ(common::fromQColor(QColor(0x0A, 0x24, 0x6A)), c);
}

} // namespace
