#include "tests/support/deviceframes.h"

#include "linkfakes.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using namespace remote::link;
using linktest::LinkHarness;

TEST(DeviceScreenFrame, HasItsExactSizeAndReadsBackAsGiven) {
    const std::vector<std::string> fields{"head", "one", "two", "three", "four", "five"};
    for (const auto form : {device::ScreenForm::Short, device::ScreenForm::Long}) {
        const auto frame = device::ScreenFrame(form, fields);
        const bool isLong = form == device::ScreenForm::Long;
        ASSERT_EQ(frame.size(), isLong ? 136u : 130u);
        EXPECT_EQ(std::string(frame.begin(), frame.begin() + 4), "STS,");
        EXPECT_EQ(frame.back(), 13);

        LinkHarness h;
        h.feed(frame);
        EXPECT_EQ(h.view.hexCopyWrites, 1);
        EXPECT_EQ(h.link.Scanning(), isLong);
        EXPECT_EQ(h.view.screen[0], "one");
        // In a short frame the empty sixth field lands on the last line.
        EXPECT_EQ(h.view.screen[4], isLong ? "five\r" : "");
        EXPECT_EQ(h.link.DisplaySeg()[0].substr(0, 4), "head");
    }
}

struct BadFields {
    const char* name;
    device::ScreenForm form;
    std::vector<std::string> fields;
};

void PrintTo(const BadFields& c, std::ostream* os) {
    *os << c.name;
}

class DeviceScreenFrameRefuses : public ::testing::TestWithParam<BadFields> {};

TEST_P(DeviceScreenFrameRefuses, FieldsThatWouldNotReadBack) {
    EXPECT_THROW(device::ScreenFrame(GetParam().form, GetParam().fields), std::invalid_argument);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DeviceScreenFrameRefuses,
    ::testing::Values(BadFields{"NoFields", device::ScreenForm::Short, {}},
                      BadFields{"TooLong", device::ScreenForm::Short, {"h", std::string(130, 'x')}},
                      BadFields{"EmptyField", device::ScreenForm::Short, {"h", "a", "", "b"}},
                      BadFields{"CommaInField", device::ScreenForm::Short, {"h", "a,b"}},
                      BadFields{"CommaInHead", device::ScreenForm::Short, {"h,", "a"}},
                      BadFields{"SyncPatternInField", device::ScreenForm::Short, {"h", "xSETSx"}},
                      BadFields{"AckPatternInHead", device::ScreenForm::Short, {"DBOK", "a"}},
                      BadFields{"CarriageReturnAtTheShortEnd",
                                device::ScreenForm::Long,
                                {"", std::string(124, 'x') + "\r" + std::string(5, 'y')}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceScreenFrame, RawFramesTakeOnlyTheTwoDisplaySizes) {
    EXPECT_NO_THROW(device::RawScreenFrame(std::vector<std::uint8_t>(125)));
    EXPECT_NO_THROW(device::RawScreenFrame(std::vector<std::uint8_t>(131)));
    EXPECT_THROW(device::RawScreenFrame(std::vector<std::uint8_t>(126)), std::invalid_argument);
}

TEST(DeviceAlarmCode, IsTheFirstCodeOfItsChannel) {
    const auto text = [](const std::array<std::uint8_t, 3>& c) {
        return std::string(c.begin(), c.end());
    };
    EXPECT_EQ(text(device::AlarmCode(0)), "FA1");
    EXPECT_EQ(text(device::AlarmCode(1)), "FB1");
    EXPECT_EQ(text(device::AlarmCode(8)), "FBC");
    EXPECT_THROW(device::AlarmCode(9), std::out_of_range);
    EXPECT_THROW(device::AlarmCode(-1), std::out_of_range);
}

} // namespace
