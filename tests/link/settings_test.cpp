#include "remote/link/settingsframe.h"
#include "tests/support/deviceframes.h"

#include "linkfakes.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using namespace remote::link;
using linktest::LinkHarness;
using D = MonitorView::Display;

// The 51 bytes after the sync pattern, with a good checksum over positions 0 to 47.
std::array<std::uint8_t, 51> settingsBytes(std::array<std::uint8_t, 48> data) {
    std::array<std::uint8_t, 51> f{};
    std::copy(data.begin(), data.end(), f.begin());
    const unsigned sum = std::accumulate(data.begin(), data.end(), 0u);
    f[48] = static_cast<std::uint8_t>(sum / 256);
    f[49] = static_cast<std::uint8_t>(sum % 256);
    f[50] = 13;
    return f;
}

std::vector<std::uint8_t> withSync(const std::array<std::uint8_t, 51>& f) {
    std::vector<std::uint8_t> out(4 + f.size());
    const std::string sync = "SETS";
    std::copy(f.begin(), f.end(), std::copy(sync.begin(), sync.end(), out.begin()));
    return out;
}

class SettingsDecode : public ::testing::Test, protected LinkHarness {};

TEST_F(SettingsDecode, AllZeroFrameIsAccepted) {
    feed(withSync(settingsBytes({})));
    EXPECT_EQ(view.display(D::TTIME, 0), " 2000");
    EXPECT_EQ(view.display(D::TTIME, 1), "0");
    EXPECT_EQ(view.display(D::SETID), std::string("QND-") + std::string(6, '\0'));
    EXPECT_EQ(view.display(D::LASERQZ1), "0.00");
    EXPECT_EQ(view.display(D::LASERQ2), "0.00");
    EXPECT_EQ(view.display(D::LASERVV1), "0");
    EXPECT_EQ(view.display(D::SERIAL), std::string(8, '\0'));
    EXPECT_TRUE(view.rxd());
}

TEST_F(SettingsDecode, EveryDisplayReadsItsOwnPosition) {
    std::array<std::uint8_t, 48> d{};
    for (std::size_t i = 0; i < d.size(); ++i) {
        d[i] = static_cast<std::uint8_t>(i + 1); // position p holds p + 1
    }
    feed(withSync(settingsBytes(d)));
    EXPECT_EQ(view.display(D::TTIME, 0), " 2001");
    EXPECT_EQ(view.display(D::TTIME, 1), "2");
    EXPECT_EQ(view.display(D::TTIME, 5), "6");
    EXPECT_EQ(view.display(D::SETID), std::string("QND-") + "\x07\x08\x09\x0A\x0B\x0C");
    EXPECT_EQ(view.display(D::RFXTIME), "13");
    EXPECT_EQ(view.display(D::LASERQZ1), HundredthsText(14 * 256 + 15));
    EXPECT_EQ(view.display(D::LASERQZ2), HundredthsText(16 * 256 + 17));
    EXPECT_EQ(view.display(D::LASERQ1), "0.18");
    EXPECT_EQ(view.display(D::LASERQ2), "0.19");
    EXPECT_EQ(view.display(D::LASERVV1), "20");
    EXPECT_EQ(view.display(D::LASERVV2), "21");
    EXPECT_EQ(view.display(D::STIMEV, 0), "22");
    EXPECT_EQ(view.display(D::STIMEV, 3), "25");
    EXPECT_EQ(view.display(D::FREQV), "26");
    EXPECT_EQ(view.display(D::SERIAL), "\x1C\x1D\x1E\x1F\x20\x21\x22\x23");
    EXPECT_EQ(view.display(D::STIMEV, 4), "36");
    EXPECT_EQ(view.display(D::STIMEV, 8), "40");
    EXPECT_EQ(view.display(D::LASERQS1), HundredthsText(41 * 256 + 42));
    EXPECT_EQ(view.display(D::LASERQS2), HundredthsText(43 * 256 + 44));
    // Byte 26 = 27: switches 0, 1 and 3 on.
    EXPECT_EQ(view.switches, (std::array<bool, 4>{true, true, false, true}));
}

TEST_F(SettingsDecode, DisplaysAreFilledInTheirOrderAndTheSerialNumberLast) {
    feed(withSync(settingsBytes({})));
    std::vector<std::pair<D, int>> expected;
    for (int i = 0; i < 6; ++i) {
        expected.emplace_back(D::TTIME, i);
    }
    for (D d : {D::SETID, D::RFXTIME, D::LASERQZ1, D::LASERQZ2, D::LASERQS1, D::LASERQS2,
                D::LASERQ1, D::LASERQ2, D::LASERVV1, D::LASERVV2}) {
        expected.emplace_back(d, 0);
    }
    for (int i = 0; i < 9; ++i) {
        expected.emplace_back(D::STIMEV, i);
    }
    expected.emplace_back(D::FREQV, 0);
    expected.emplace_back(D::SERIAL, 0);
    EXPECT_EQ(view.displayWrites, expected);
}

struct HundredthsCase {
    unsigned value;
    const char* text;
};

class Hundredths : public ::testing::TestWithParam<HundredthsCase> {};

TEST_P(Hundredths, FormatWithAtLeastOneDigitAndExactlyTwoDecimals) {
    EXPECT_EQ(HundredthsText(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, Hundredths,
                         ::testing::Values(HundredthsCase{0, "0.00"}, HundredthsCase{5, "0.05"},
                                           HundredthsCase{50, "0.50"}, HundredthsCase{300, "3.00"},
                                           HundredthsCase{1234, "12.34"},
                                           HundredthsCase{65535, "655.35"}));

TEST_F(SettingsDecode, TwoByteReadingsAreHighByteFirst) {
    std::array<std::uint8_t, 48> d{};
    d[13] = 1;
    d[14] = 44;
    d[40] = 255;
    d[41] = 255;
    feed(withSync(settingsBytes(d)));
    EXPECT_EQ(view.display(D::LASERQZ1), "3.00");
    EXPECT_EQ(view.display(D::LASERQS1), "655.35");
}

TEST_F(SettingsDecode, ChecksumIsSixteenBitsHighByteFirst) {
    std::array<std::uint8_t, 48> d{};
    d.fill(255); // sum 12240 = 0x2FD0
    const auto f = settingsBytes(d);
    EXPECT_EQ(f[48], 0x2F);
    EXPECT_EQ(f[49], 0xD0);
    EXPECT_TRUE(SettingsChecksumGood(f));

    auto swapped = f;
    std::swap(swapped[48], swapped[49]);
    EXPECT_FALSE(SettingsChecksumGood(swapped));
    // Positions 44 to 47 are not shown but are under the checksum.
    auto changed = f;
    changed[45] = 0;
    EXPECT_FALSE(SettingsChecksumGood(changed));
}

TEST_F(SettingsDecode, SwitchBitsAboveThreeAreIgnored) {
    std::array<std::uint8_t, 48> d{};
    d[26] = 0xF5;
    feed(withSync(settingsBytes(d)));
    EXPECT_EQ(view.switches, (std::array<bool, 4>{true, false, true, false}));
}

TEST_F(SettingsDecode, SwitchesChangedByTheOperatorAreNotMovedUntilSaved) {
    std::array<std::uint8_t, 48> d{};
    d[26] = 5;
    link.KEYSW_Click(2);
    view.switches = {false, true, false, true};
    feed(withSync(settingsBytes(d)));
    EXPECT_EQ(view.switches, (std::array<bool, 4>{false, true, false, true}));
    EXPECT_EQ(view.switchWrites, 0);
    EXPECT_EQ(view.display(D::FREQV), "0"); // everything else is still shown

    link.FREQSAVE_ValueChanged(7, true);
    feed(withSync(settingsBytes(d)));
    EXPECT_EQ(view.switches, (std::array<bool, 4>{true, false, true, false}));
}

TEST(DeviceSettingsFrame, ReadsBackFieldByField) {
    device::Settings s;
    s.yearsAfter2000 = 24;
    s.month = 12;
    s.second = 59;
    s.id = {'A', 'B', 'C', '1', '2', '3'};
    s.rfTransmitTime = 45;
    s.laserQz1 = 300;
    s.laserQz2 = 65535;
    s.laserQ1 = 50;
    s.laserQ2 = 99;
    s.laserVolume1 = 60;
    s.laserVolume2 = 7;
    s.channelTimes = {14, 30, 60, 60, 5, 5, 10, 30, 31};
    s.repeatTime = 24;
    s.switchBits = 9;
    s.serial = {'S', 'N', '0', '0', '0', '0', '4', '2'};
    s.laserQs1 = 1234;
    s.laserQs2 = 5;
    s.reserved = {1, 2, 3, 4};
    const auto frame = device::SettingsFrame(s);
    ASSERT_EQ(frame.size(), 55u);
    EXPECT_EQ(std::string(frame.begin(), frame.begin() + 4), "SETS");
    EXPECT_EQ(frame.back(), 13);

    const auto r = ReadSettingsFrame(std::span(frame).subspan<4, 51>());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->TTIME, (std::array<std::string, 6>{" 2024", "12", "1", "0", "0", "59"}));
    EXPECT_EQ(r->SETID, "QND-ABC123");
    EXPECT_EQ(r->RFXTIME, "45");
    EXPECT_EQ(r->LASERQZ1, "3.00");
    EXPECT_EQ(r->LASERQZ2, "655.35");
    EXPECT_EQ(r->LASERQ1, "0.50");
    EXPECT_EQ(r->LASERQ2, "0.99");
    EXPECT_EQ(r->LASERVV1, "60");
    EXPECT_EQ(r->LASERVV2, "7");
    EXPECT_EQ(r->STIMEV[0], "14");
    EXPECT_EQ(r->STIMEV[8], "31");
    EXPECT_EQ(r->FREQV, "24");
    EXPECT_EQ(r->switchBits, 9);
    EXPECT_EQ(r->SERIAL, "SN000042");
    EXPECT_EQ(r->LASERQS1, "12.34");
    EXPECT_EQ(r->LASERQS2, "0.05");
}

// ---- Alarm labels ----

class AlarmFade : public ::testing::Test, protected LinkHarness {};

TEST_F(AlarmFade, ACodeReceivedOnceKeepsItsLabelRedForTenTicks) {
    feed("FB6");
    EXPECT_EQ(view.eventColour[3], 0u); // red only from the next tick
    for (int t = 1; t <= 10; ++t) {
        link.Timer1_Timer();
        EXPECT_EQ(view.eventColour[3], protocol::AlarmColour) << "tick " << t;
        EXPECT_TRUE(link.AlarmActive(3));
    }
    link.Timer1_Timer();
    EXPECT_EQ(view.eventColour[3], 0u);
    EXPECT_FALSE(link.AlarmActive(3));
    EXPECT_EQ(link.AlarmTicks(3), 0);
}

TEST_F(AlarmFade, ACodeRepeatedEveryFiveTicksKeepsTheLabelRed) {
    for (int t = 1; t <= 60; ++t) {
        if (t % 5 == 1) {
            feed("FA1");
        }
        link.Timer1_Timer();
        ASSERT_EQ(view.eventColour[0], protocol::AlarmColour) << "tick " << t;
    }
}

TEST_F(AlarmFade, BothLaserBeamCodesLightTheSameLabel) {
    feed("FB1");
    link.Timer1_Timer();
    link.Timer1_Timer();
    EXPECT_EQ(link.AlarmTicks(1), 2);
    feed("FB2");
    EXPECT_EQ(link.AlarmTicks(1), 0);
    link.Timer1_Timer();
    EXPECT_EQ(view.eventColour[1], protocol::AlarmColour);
    for (int i = 0; i < 9; ++i) {
        if (i != 1) {
            EXPECT_EQ(view.eventColour[static_cast<std::size_t>(i)], 0u);
        }
    }
}

} // namespace
