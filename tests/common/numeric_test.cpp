#include "common/numeric.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

struct RoundCase {
    double input;
    std::optional<std::int16_t> expected;
};

class RoundToInt16 : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundToInt16, HalvesGoToTheEvenNeighbourAndOverflowIsReported) {
    EXPECT_EQ(common::roundToInt16(GetParam().input), GetParam().expected)
        << "input " << GetParam().input;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RoundToInt16,
    ::testing::Values(RoundCase{2.5, 2}, RoundCase{3.5, 4}, RoundCase{-2.5, -2},
                      RoundCase{-3.5, -4}, RoundCase{12.5, 12}, RoundCase{25.5, 26},
                      RoundCase{26.5, 26}, RoundCase{0.49, 0}, RoundCase{2.51, 3},
                      RoundCase{32767.0, 32767}, RoundCase{32767.5, std::nullopt},
                      RoundCase{-32768.5, -32768}, RoundCase{-32769.0, std::nullopt},
                      RoundCase{40000.0, std::nullopt},
                      RoundCase{std::numeric_limits<double>::quiet_NaN(), std::nullopt},
                      RoundCase{std::numeric_limits<double>::infinity(), std::nullopt}),
    [](const ::testing::TestParamInfo<RoundCase>& info) {
        return "case" + std::to_string(info.index);
    });

TEST(RoundToInt32, KeepsTheWiderRange) {
    EXPECT_EQ(common::roundToInt32(40000.5), 40000);
    EXPECT_EQ(common::roundToInt32(2147483647.0), 2147483647);
    EXPECT_EQ(common::roundToInt32(2147483648.0), std::nullopt);
}

TEST(NearestInt16, HalvesGoToTheEvenNeighbourWithinSixteenBits) {
    EXPECT_EQ(common::nearestInt16(25.5), 26);
    EXPECT_EQ(common::nearestInt16(26.5), 26);
    EXPECT_EQ(common::nearestInt16(-0.5), 0);
    EXPECT_EQ(common::nearestInt16(-1.5), -2);
    EXPECT_EQ(common::nearestInt16(32767.4), 32767);
    EXPECT_EQ(common::nearestInt16(32767.5), std::nullopt);
    EXPECT_EQ(common::nearestInt16(-32768.5), -32768);
}

// Sums and differences of int operands whose result must fit 16 bits; operands near the int
// limits must not overflow on the way.
TEST(Int16Arithmetic, ResultsOutsideSixteenBitsHaveNoValue) {
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    const struct {
        int a;
        int b;
        std::optional<int> sum;
        std::optional<int> difference;
    } rows[] = {
        {3, 2, 5, 1},
        {32767, 0, 32767, 32767},
        {32767, 1, std::nullopt, 32766},
        {-32768, -1, std::nullopt, -32767},
        {-32768, 1, -32767, std::nullopt},
        {0, -32768, -32768, std::nullopt},
        {16384, 16384, std::nullopt, 0},
        {kMax, 1, std::nullopt, std::nullopt},
        {kMin, -1, std::nullopt, std::nullopt},
        {kMax, kMax, std::nullopt, 0},
        {kMin, kMax, -1, std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(common::addInt16(row.a, row.b), row.sum) << row.a << " + " << row.b;
        EXPECT_EQ(common::subtractInt16(row.a, row.b), row.difference) << row.a << " - " << row.b;
        EXPECT_EQ(common::fitsInt16(std::int64_t{row.a} + row.b), row.sum.has_value())
            << row.a << " + " << row.b;
    }
    // A missing operand is an earlier overflow: it stays missing.
    EXPECT_EQ(common::addInt16(std::optional<int>(), 1), std::nullopt);
    EXPECT_EQ(common::addInt16(std::optional<int>(32766), 1), 32767);
    EXPECT_EQ(common::addInt16(std::optional<int>(32767), 1), std::nullopt);
}

} // namespace
