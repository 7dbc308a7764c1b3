#include "remote/link/commandframe.h"
#include "remote/link/settingcommands.h"

#include "linkfakes.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace remote::link;
using linktest::LinkHarness;
using Bytes = std::vector<std::uint8_t>;
using Input = MonitorView::Input;

Bytes wire(const CommandFrame& f) {
    return {f.bytes().begin(), f.bytes().end()};
}
const Bytes Nothing;

class Operator : public ::testing::Test, protected LinkHarness {
protected:
    void SetUp() override { link.LOOPSW_ValueChanged(true); }

    // Presses save button `index` and returns what the next tick writes.
    Bytes save(int index) {
        link.FREQSAVE_ValueChanged(index, true);
        link.FREQSAVE_ValueChanged(index, false);
        return tick();
    }
};

// ---- Keypad ----

struct KeyCase {
    int index;
    char key;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
    *os << "index " << c.index;
}

class Keypad : public Operator, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(Keypad, PressAndReleaseEachSendTheKeyWithItsState) {
    link.Button_ValueChanged(GetParam().index, true);
    EXPECT_EQ(tick(), wire(KeyCommand(static_cast<std::uint8_t>(GetParam().key), true)));
    link.Button_ValueChanged(GetParam().index, false);
    EXPECT_EQ(tick(), wire(KeyCommand(static_cast<std::uint8_t>(GetParam().key), false)));
}

INSTANTIATE_TEST_SUITE_P(Table, Keypad,
                         ::testing::Values(KeyCase{1, 'P'}, KeyCase{2, 'W'}, KeyCase{3, 'G'},
                                           KeyCase{4, 'M'}, KeyCase{5, 'L'}, KeyCase{6, '1'},
                                           KeyCase{7, '2'}, KeyCase{8, '3'}, KeyCase{9, '4'},
                                           KeyCase{10, '5'}, KeyCase{11, '6'}, KeyCase{12, '7'},
                                           KeyCase{13, '8'}, KeyCase{14, '9'}, KeyCase{15, '.'},
                                           KeyCase{16, '0'}, KeyCase{17, 'E'}, KeyCase{18, 'S'},
                                           KeyCase{19, 'H'}, KeyCase{26, 'F'}));

class UpDownKeys : public Operator, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(UpDownKeys, AreSentOnPressOnly) {
    link.Button_ValueChanged(GetParam().index, true);
    EXPECT_EQ(tick(), wire(KeyCommand(static_cast<std::uint8_t>(GetParam().key), true)));
    link.Button_ValueChanged(GetParam().index, false);
    EXPECT_FALSE(link.KeyPending());
    EXPECT_EQ(link.KeyCode(), GetParam().key);
    EXPECT_EQ(link.KeyDown(), 0);
    EXPECT_EQ(tick(), Nothing);
    EXPECT_EQ(tick(), wire(ReadSettingsCommand()));
}

INSTANTIATE_TEST_SUITE_P(Table, UpDownKeys, ::testing::Values(KeyCase{24, '<'}, KeyCase{25, '>'}));

class Arrows : public Operator, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(Arrows, CarryTheStateTheLastKeypadEventLeft) {
    const auto key = static_cast<std::uint8_t>(GetParam().key);
    link.Button2_Click(GetParam().index);
    EXPECT_EQ(tick(), wire(KeyCommand(key, false))); // keypad never used

    link.Button_ValueChanged(18, true);
    link.Button2_Click(GetParam().index);
    EXPECT_EQ(tick(), wire(KeyCommand(key, true))); // keypad still held

    link.Button_ValueChanged(18, false);
    link.Button2_Click(GetParam().index);
    EXPECT_EQ(tick(), wire(KeyCommand(key, false))); // after a keypad release
}

INSTANTIATE_TEST_SUITE_P(Table, Arrows,
                         ::testing::Values(KeyCase{20, '!'}, KeyCase{21, '#'}, KeyCase{22, '$'},
                                           KeyCase{23, '%'}));

TEST_F(Operator, ButtonsOutsideTheTablesChangeNothing) {
    for (int index : {-1, 0, 20, 21, 22, 23, 27, 1000}) {
        link.Button_ValueChanged(index, true);
    }
    for (int index : {-1, 0, 1, 19, 24, 26}) {
        link.Button2_Click(index);
    }
    link.KEYSW_Click(4);
    link.KEYSW_Click(-1);
    link.FREQSAVE_ValueChanged(9, true);
    link.FREQSAVE_ValueChanged(-1, true);
    EXPECT_FALSE(link.KeyPending());
    EXPECT_EQ(link.KeyDown(), 0);
    EXPECT_FALSE(link.SwitchesEdited());
    EXPECT_EQ(link.PendingSave(), 0);
    EXPECT_EQ(link.PollTick(), 0);
}

TEST_F(Operator, LoopSwitchTurnsPollingOnAndOff) {
    EXPECT_TRUE(link.LoopOn());
    link.LOOPSW_ValueChanged(false);
    EXPECT_FALSE(link.LoopOn());
    ticks(8);
    EXPECT_TRUE(port.written.empty());
}

// ---- On/off switches ----

TEST_F(Operator, OperatingASwitchMarksItUntilTheSwitchSave) {
    link.KEYSW_Click(2);
    EXPECT_EQ(view.switchColour[2], 0x0080FFFFu);
    EXPECT_TRUE(link.SwitchesEdited());
    view.switches = {true, false, true, true};

    EXPECT_EQ(save(7), wire(SaveSwitchesCommand(1 + 4 + 8)));
    EXPECT_FALSE(link.SwitchesEdited());
    for (const auto colour : view.switchColour) {
        EXPECT_EQ(colour, 0x80000005u);
    }
}

// ---- Setting commands and their value rules ----

struct SaveCase {
    const char* name;
    int button;
    std::vector<std::pair<std::pair<Input, int>, std::string>> fields;
    std::function<CommandFrame()> expected;
};

void PrintTo(const SaveCase& c, std::ostream* os) {
    *os << c.name;
}

class SettingValues : public Operator, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SettingValues, FollowTheValueRules) {
    for (const auto& [field, text] : GetParam().fields) {
        view.inputs[field] = text;
    }
    EXPECT_EQ(save(GetParam().button), wire(GetParam().expected()));
    EXPECT_TRUE(view.refusals.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingValues,
    ::testing::Values(
        SaveCase{"DateTime",
                 0,
                 {{{Input::txtSet1, 0}, "24"},
                  {{Input::txtSet1, 1}, "12"},
                  {{Input::txtSet1, 2}, "31"},
                  {{Input::txtSet1, 3}, "23"},
                  {{Input::txtSet1, 4}, "59"}},
                 [] {
                     return SaveDateTimeCommand({24, 12, 31, 23, 59});
                 }},
        SaveCase{"DateTimeEmptyFieldsAreZero",
                 0,
                 {},
                 [] {
                     return SaveDateTimeCommand({0, 0, 0, 0, 0});
                 }},
        SaveCase{"DateTimeByteRangeIsEnough",
                 0,
                 {{{Input::txtSet1, 1}, "&HFF"}},
                 [] {
                     return SaveDateTimeCommand({0, 255, 0, 0, 0});
                 }},
        SaveCase{"Id",
                 1,
                 {{{Input::IDIN, 0}, "AB12CD"}},
                 [] {
                     return SaveIdCommand({'A', 'B', '1', '2', 'C', 'D'});
                 }},
        SaveCase{"IdLatin1Character",
                 1,
                 {{{Input::IDIN, 0},
                   "\xC3\xA9"
                   "12345"}},
                 [] {
                     return SaveIdCommand({0xE9, '1', '2', '3', '4', '5'});
                 }},
        SaveCase{"RfTime45",
                 2,
                 {{{Input::XTIME, 0}, "45"}},
                 [] { return SaveRfTransmitTimeCommand(4, 5); }},
        SaveCase{"RfTime75IsLimitedTo60",
                 2,
                 {{{Input::XTIME, 0}, "75"}},
                 [] { return SaveRfTransmitTimeCommand(6, 0); }},
        SaveCase{"RfTimeHugeIsLimitedTo60",
                 2,
                 {{{Input::XTIME, 0}, "1e9"}},
                 [] { return SaveRfTransmitTimeCommand(6, 0); }},
        SaveCase{"RfTimeEmptyIsZero", 2, {}, [] { return SaveRfTransmitTimeCommand(0, 0); }},
        SaveCase{"RfTimeHalfGoesToEven",
                 2,
                 {{{Input::XTIME, 0}, "12.5"}},
                 [] { return SaveRfTransmitTimeCommand(1, 2); }},
        SaveCase{"LaserLevelsDefault", 3, {}, [] { return SaveLaserLevelsCommand(50, 50); }},
        SaveCase{"LaserLevelOneIsLimitedTo99",
                 3,
                 {{{Input::LASERCH1, 0}, "1"}, {{Input::LASERCH2, 0}, "0.125"}},
                 [] { return SaveLaserLevelsCommand(99, 12); }},
        SaveCase{"LaserLevelTinyNegativeRoundsToZero",
                 3,
                 {{{Input::LASERCH2, 0}, "-0.004"}},
                 [] { return SaveLaserLevelsCommand(50, 0); }},
        SaveCase{"LaserVolumes",
                 4,
                 {{{Input::LASERV1, 0}, "150"}, {{Input::LASERV2, 0}, "7"}},
                 [] { return SaveLaserVolumesCommand(99, 7); }},
        SaveCase{"ChannelTimesDefault",
                 5,
                 {},
                 [] {
                     return SaveChannelTimesCommand({14, 30, 60, 60, 5, 5, 10, 30, 30});
                 }},
        SaveCase{"ChannelTimesEmptyAndLimited",
                 5,
                 {{{Input::STTIME, 5}, ""}, {{Input::STTIME, 9}, "75"}},
                 [] {
                     return SaveChannelTimesCommand({14, 30, 60, 60, 0, 5, 10, 30, 60});
                 }},
        SaveCase{"RepeatTimeLimitedTo24",
                 6,
                 {{{Input::FREQSET, 0}, "30"}},
                 [] { return SaveRepeatTimeCommand(24); }},
        SaveCase{"Serial",
                 8,
                 {{{Input::SERIALIN, 0}, "SN000042"}},
                 [] {
                     return SaveSerialCommand({'S', 'N', '0', '0', '0', '0', '4', '2'});
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Operator, SaveWithAnIdOfTheWrongLengthQueuesNothingButRunsTheSettingStep) {
    view.inputs[{Input::IDIN, 0}] = "ABCDE";
    EXPECT_EQ(save(1), wire(ReadSettingsCommand()));
    EXPECT_TRUE(view.refusals.empty());

    link.LOOPSW_ValueChanged(false);
    view.inputs[{Input::SERIALIN, 0}] = "123456789";
    EXPECT_EQ(save(8), Nothing);
    EXPECT_EQ(link.PollTick(), 0);
}

TEST_F(Operator, TheLengthIsCountedInCharactersNotBytes) {
    // Three two-byte characters: six bytes but only three characters.
    view.inputs[{Input::IDIN, 0}] = "\xC3\xA9\xC3\xA9\xC3\xA9";
    link.FREQSAVE_ValueChanged(1, true);
    EXPECT_EQ(link.PendingSave(), 0);
}

// ---- Saves whose values do not fit a byte are refused ----

struct RefusalCase {
    const char* name;
    int button;
    std::pair<Input, int> field;
    std::string text;
    std::string message;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class Refusals : public Operator, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusals, SendNothingAndNameTheFieldAndItsRange) {
    const RefusalCase& c = GetParam();
    if (c.field.first == Input::SERIALIN) {
        view.inputs[c.field] = "12345678"; // passes the press-time check
    } else if (c.field.first == Input::IDIN) {
        view.inputs[c.field] = "123456";
    }
    link.FREQSAVE_ValueChanged(c.button, true);
    view.inputs[c.field] = c.text; // values are read at the tick
    const Bytes sent = tick();

    ASSERT_EQ(view.refusals.size(), 1u);
    EXPECT_EQ(view.refusals[0], c.message);
    // The refused save counts as nothing queued: the loop's read-back goes out instead.
    EXPECT_EQ(sent, wire(ReadSettingsCommand()));
    EXPECT_EQ(link.PendingSave(), 0);
    EXPECT_FALSE(link.ReadBackDue());
}

INSTANTIATE_TEST_SUITE_P(
    Table, Refusals,
    ::testing::Values(
        RefusalCase{"NegativeYear",
                    0,
                    {Input::txtSet1, 0},
                    "-1",
                    "Year must be a number from 0 to 255; the setting was not sent."},
        RefusalCase{"MonthAbove255",
                    0,
                    {Input::txtSet1, 1},
                    "300",
                    "Month must be a number from 0 to 255; the setting was not sent."},
        RefusalCase{"MinuteOverflow",
                    0,
                    {Input::txtSet1, 4},
                    "40000",
                    "Minute must be a number from 0 to 255; the setting was not sent."},
        RefusalCase{"HexMinusOne",
                    0,
                    {Input::txtSet1, 2},
                    "&HFFFF",
                    "Day must be a number from 0 to 255; the setting was not sent."},
        RefusalCase{"IdHangul",
                    1,
                    {Input::IDIN, 0},
                    "\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80\xEA\xB0\x80",
                    "ID Number must be 6 characters with codes from 0 to 255; the setting was "
                    "not sent."},
        RefusalCase{"IdShortenedAfterThePress",
                    1,
                    {Input::IDIN, 0},
                    "12",
                    "ID Number must be 6 characters with codes from 0 to 255; the setting was "
                    "not sent."},
        RefusalCase{"IdMalformedUtf8",
                    1,
                    {Input::IDIN, 0},
                    "12345\xFF",
                    "ID Number must be 6 characters with codes from 0 to 255; the setting was "
                    "not sent."},
        RefusalCase{"NegativeRfTime",
                    2,
                    {Input::XTIME, 0},
                    "-1",
                    "RF X-MIT TIME must be a number from 0 to 60; the setting was not sent."},
        RefusalCase{"NegativeLaserLevel",
                    3,
                    {Input::LASERCH2, 0},
                    "-0.5",
                    "Laser Q CH2 must be a number from 0 to 0.99; the setting was not sent."},
        RefusalCase{"NegativeLaserVolume",
                    4,
                    {Input::LASERV1, 0},
                    "-3",
                    "Laser Volume CH1 must be a number from 0 to 99; the setting was not sent."},
        RefusalCase{"NegativeChannelTime",
                    5,
                    {Input::STTIME, 3},
                    "-1",
                    "X-Mit Time of Ext1(CH1) must be a number from 0 to 60; the setting was "
                    "not sent."},
        RefusalCase{"NegativeRepeatTime",
                    6,
                    {Input::FREQSET, 0},
                    "-2",
                    "RPT Time must be a number from 0 to 24; the setting was not sent."},
        RefusalCase{"SerialEuroSign",
                    8,
                    {Input::SERIALIN, 0},
                    "1234567\xE2\x82\xAC",
                    "Serial Number must be 8 characters with codes from 0 to 255; the setting "
                    "was not sent."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Operator, ARefusalWithTheLoopOffSendsNothingButKeepsAnEarlierReadBack) {
    link.LOOPSW_ValueChanged(false);
    EXPECT_EQ(save(6), wire(SaveRepeatTimeCommand(24)));
    EXPECT_TRUE(link.ReadBackDue());

    view.inputs[{Input::XTIME, 0}] = "-5";
    // The refused save takes the place of the owed read-back, which still goes out.
    EXPECT_EQ(save(2), wire(ReadSettingsCommand()));
    EXPECT_EQ(view.refusals.size(), 1u);
    EXPECT_FALSE(link.ReadBackDue());

    view.inputs[{Input::XTIME, 0}] = "-5";
    EXPECT_EQ(save(2), Nothing);
    EXPECT_EQ(view.refusals.size(), 2u);
    for (const auto& t : ticks(8)) {
        EXPECT_EQ(t, Nothing);
    }
}

TEST(Utf8, MalformedBytesCountAsOneCharacterEach) {
    EXPECT_EQ(CharacterCount("abc"), 3u);
    EXPECT_EQ(CharacterCount("\xC3\xA9"), 1u);
    EXPECT_EQ(CharacterCount("\xEA\xB0\x80"), 1u);
    EXPECT_EQ(CharacterCount("\xF0\x9F\x98\x80"), 1u);
    EXPECT_EQ(CharacterCount("\xC3"), 1u);
    EXPECT_EQ(CharacterCount("\xC0\x80"), 2u);     // overlong
    EXPECT_EQ(CharacterCount("\xED\xA0\x80"), 3u); // surrogate
    EXPECT_EQ(DecodeUtf8("\xC3\xA9x"), (std::vector<char32_t>{0xE9, 'x'}));
    EXPECT_EQ(DecodeUtf8("\xFF"), (std::vector<char32_t>{InvalidCharacter}));
}

} // namespace
