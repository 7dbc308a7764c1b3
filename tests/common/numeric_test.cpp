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

} // namespace
