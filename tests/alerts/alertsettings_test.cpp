#include "remote/alerts/alertsettings.h"

#include <gtest/gtest.h>

#include <map>

using namespace remote::alerts;

namespace {

ReadResult readFrom(const std::map<std::string, std::string>& file) {
    return readAlertSettings([&file](std::string_view name) -> std::optional<std::string> {
        const auto it = file.find(std::string(name));
        return it == file.end() ? std::nullopt : std::optional<std::string>(it->second);
    });
}

std::array<bool, kChannelCount> only(std::initializer_list<int> channels) {
    std::array<bool, kChannelCount> out{};
    for (const int c : channels) {
        out[static_cast<std::size_t>(c)] = true;
    }
    return out;
}

} // namespace

TEST(AlertSettingsRead, AnEmptyFileGivesTheDefaultsQuietly) {
    const ReadResult r = readFrom({});
    EXPECT_EQ(r.settings, AlertSettings{});
    EXPECT_TRUE(r.settings.notify && r.settings.tray && r.settings.sound);
    EXPECT_EQ(r.settings.volume, 80);
    EXPECT_EQ(channelList(r.settings.channels), "0,1,2,3,4,5,6,7,8");
    EXPECT_EQ(r.settings.command, "");
    EXPECT_EQ(r.warning, "");
}

TEST(AlertSettingsRead, EachValueRuleAcceptsWhatItShouldAndNothingElse) {
    struct Case {
        const char* key;
        const char* text;
        bool readable;
    };
    const Case cases[] = {
        {"notify", "false", true},
        {"notify", " TRUE ", true},
        {"notify", "0", true},
        {"notify", "maybe", false},
        {"notify", "", false},
        {"tray", "off", true},
        {"sound", "2", false},
        {"volume", "0", true},
        {"volume", "100", true},
        {"volume", "101", false},
        {"volume", "-1", false},
        {"volume", "50.5", false},
        {"volume", "99999999999999999999", false},
        {"volume", "", false},
        {"channels", "", true},
        {"channels", "8", true},
        {"channels", "0, 3 ,3", true},
        {"channels", "9", false},
        {"channels", "1,,2", false},
        {"channels", "1,", false},
        {"channels", "-1", false},
        {"channels", "a", false},
        {"command", "", true},
        {"command", "/usr/bin/logger -t alarm", true},
        {"command", "a\nb", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        const ReadResult r = readFrom({{c.key, c.text}});
        if (c.readable) {
            EXPECT_EQ(r.warning, "");
        } else {
            EXPECT_EQ(r.settings, AlertSettings{}) << "an unreadable value takes its default";
            EXPECT_NE(r.warning.find(std::string(c.key) + " "), std::string::npos) << r.warning;
        }
    }
}

TEST(AlertSettingsRead, ReadableValuesAreTakenAsWritten) {
    const ReadResult r = readFrom({{"notify", "false"},
                                   {"tray", "no"},
                                   {"sound", "false"},
                                   {"volume", "7"},
                                   {"channels", "8,0,4"},
                                   {"command", "notify-me --loud"}});
    EXPECT_EQ(r.warning, "");
    EXPECT_FALSE(r.settings.notify);
    EXPECT_FALSE(r.settings.tray);
    EXPECT_FALSE(r.settings.sound);
    EXPECT_EQ(r.settings.volume, 7);
    EXPECT_EQ(r.settings.channels, only({0, 4, 8}));
    EXPECT_EQ(r.settings.command, "notify-me --loud");
    EXPECT_EQ(readFrom({{"channels", ""}}).settings.channels, only({})) << "all muted";
}

// Several bad values give one warning line naming each; the good ones around them are kept.
TEST(AlertSettingsRead, SeveralBadValuesMakeOneWarningAndKeepTheGoodOnes) {
    const ReadResult r = readFrom(
        {{"volume", "loud"}, {"channels", "1,12"}, {"sound", "false"}, {"tray", "x\x01y"}});
    EXPECT_FALSE(r.settings.sound);
    EXPECT_EQ(r.settings.volume, kDefaultVolume);
    EXPECT_EQ(r.settings.channels, AlertSettings{}.channels);
    EXPECT_TRUE(r.settings.tray);
    EXPECT_EQ(r.warning, "Alert settings: tray \"x y\" is not true or false; volume \"loud\" is "
                         "not 0 to 100; channels \"1,12\" is not a comma list of 0 to 8 (their "
                         "defaults are used)");
    EXPECT_EQ(r.warning.find('\n'), std::string::npos);
}

TEST(AlertSettingsRead, AHugeValueIsShortenedInTheWarning) {
    const std::string huge(1 << 20, '7');
    const ReadResult r = readFrom({{"volume", huge}, {"command", huge}});
    EXPECT_EQ(r.settings, AlertSettings{});
    EXPECT_LT(r.warning.size(), 300u);
}

TEST(AlertSettingsRead, WhatIsWrittenReadsBackTheSame) {
    AlertSettings s;
    s.notify = false;
    s.sound = false;
    s.volume = 0;
    s.channels = only({2, 5});
    s.command = "\"/opt/site/siren on\" --channel";
    std::map<std::string, std::string> file;
    for (const auto& [k, v] : writtenAlertSettings(s)) {
        file[k] = v;
    }
    EXPECT_EQ(file.size(), 6u);
    EXPECT_EQ(file["channels"], "2,5");
    const ReadResult r = readFrom(file);
    EXPECT_EQ(r.warning, "");
    EXPECT_EQ(r.settings, s);
    s.channels = only({});
    file["channels"] = writtenAlertSettings(s)[4].second;
    EXPECT_EQ(readFrom(file).settings.channels, only({}));
}
