#include "remote/alerts/alarmtone.h"
#include "remote/alerts/alerttexts.h"
#include "remote/alerts/traylook.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace remote::alerts;
using remote::history::AlarmRecord;

namespace {

// 2026-12-10 12:30:05.250 local time at UTC+01:00.
constexpr std::int64_t kNoon = 1'796'902'205'250;

AlarmRecord sample(std::optional<std::string> clock = "2024-05-01 12:30:05") {
    return AlarmRecord{0, kNoon, 3600, 2, "Ext1(CH1) :", std::move(clock)};
}

} // namespace

TEST(AlertTexts, TheNotificationNamesTheChannelTheLocalTimeAndTheDetectorClock) {
    const AlarmRecord a = sample();
    EXPECT_EQ(notificationSummary(a), "Alarm: Ext1(CH1)");
    const std::string local = localTimeText(a.utcMs, a.utcOffsetSeconds);
    EXPECT_EQ(local, "2026-12-10 12:30:05");
    EXPECT_EQ(notificationBody(NotifyRequest{a, 1, a.utcMs, 0}),
              "Local time: " + local + "\nDetector clock: 2024-05-01 12:30:05");
    EXPECT_EQ(notificationBody(NotifyRequest{a, 3, a.utcMs - 65'000, 9}),
              "Local time: " + local + "\nDetector clock: 2024-05-01 12:30:05\n" +
                  "3 alarms on this channel since 12:29:00");
    EXPECT_NE(notificationBody(NotifyRequest{sample(std::nullopt), 1, 0, 0})
                  .find("Detector clock: not read yet"),
              std::string::npos);
}

// The detector's clock comes from the line: a service that reads markup must see it as text,
// and a control byte must not break the line.
TEST(AlertTexts, TextFromTheLineIsNeverMarkupAndStaysOnItsLine) {
    const AlarmRecord a = sample("<b>20&24</b>\n\x07");
    const std::string body = notificationBody(NotifyRequest{a, 1, a.utcMs, 0});
    EXPECT_NE(body.find("Detector clock: &lt;b&gt;20&amp;24&lt;/b&gt;  "), std::string::npos)
        << body;
    EXPECT_EQ(body.find('<'), std::string::npos);
    for (const std::string& field : journalFields(a)) {
        EXPECT_EQ(field.find('\n'), std::string::npos) << field;
    }
    for (const auto& [name, value] : commandEnvironment(a)) {
        EXPECT_EQ(value.find('\n'), std::string::npos) << name;
    }
    AlarmRecord odd = a;
    odd.label = " : ";
    EXPECT_EQ(notificationSummary(odd), "Alarm: Channel 2");
}

TEST(AlertTexts, TheCommandsVariablesAndTheJournalsFields) {
    const AlarmRecord a = sample();
    const auto env = commandEnvironment(a);
    ASSERT_EQ(env.size(), 4u);
    EXPECT_EQ(env[0], (std::pair<std::string, std::string>{"REMOTE_ALARM_CHANNEL", "2"}));
    EXPECT_EQ(env[1].second, "Ext1(CH1) :");
    EXPECT_EQ(env[2].first, "REMOTE_ALARM_TIME");
    EXPECT_EQ(env[2].second, remote::history::isoLocalTime(a.utcMs, 3600));
    EXPECT_EQ(env[2].second.substr(env[2].second.size() - 6), "+01:00");
    EXPECT_EQ(env[3], (std::pair<std::string, std::string>{"REMOTE_ALARM_DETECTOR_CLOCK",
                                                           "2024-05-01 12:30:05"}));
    EXPECT_EQ(commandEnvironment(sample(std::nullopt))[3].second, "");

    const auto fields = journalFields(a);
    const std::vector<std::string> expectedTail{
        "PRIORITY=2", "SYSLOG_IDENTIFIER=remote", "REMOTE_ALARM_CHANNEL=2",
        "REMOTE_ALARM_LABEL=Ext1(CH1) :", "REMOTE_DETECTOR_CLOCK=2024-05-01 12:30:05"};
    ASSERT_EQ(fields.size(), 6u);
    EXPECT_EQ(fields[0].rfind("MESSAGE=Alarm on channel 2 (Ext1(CH1)) at ", 0), 0u) << fields[0];
    EXPECT_EQ(std::vector<std::string>(fields.begin() + 1, fields.end()), expectedTail);
    EXPECT_EQ(journalFields(sample(std::nullopt)).size(), 5u) << "no clock, no field";
}

TEST(AlertTexts, ACommandsFailureSaysHowItEnded) {
    using K = CommandEnd::Kind;
    struct Case {
        CommandEnd end;
        std::int64_t limitMs;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {{K::Exited, 0, "", "ignored"}, 30'000, std::nullopt},
        {{K::Exited, 3, "", "no modem\x1b[0m"},
         30'000,
         "Alarm command siren failed with exit status 3: no modem [0m"},
        {{K::Exited, 1, "", ""}, 30'000, "Alarm command siren failed with exit status 1"},
        {{K::Crashed, 0, "", "segv"}, 30'000, "Alarm command siren ended abnormally: segv"},
        {{K::TimedOut, 0, "", ""}, 30'000, "Alarm command siren was killed after 30 s"},
        {{K::TimedOut, 0, "", ""}, 300, "Alarm command siren was killed after 0.3 s"},
        {{K::NotStarted, 0, "No such file or directory", ""},
         30'000,
         "Alarm command siren could not be started (No such file or directory)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(commandFailureText("siren", c.end, c.limitMs), c.text);
    }
}

TEST(TrayLook, ARecentAlarmOutranksALostLinkForOneMinute) {
    EXPECT_EQ(trayLook(true, std::nullopt, 0), TrayLook::Quiet);
    EXPECT_EQ(trayLook(false, std::nullopt, 0), TrayLook::LinkLost);
    EXPECT_EQ(trayLook(false, 1000, 1000 + kRecentAlarmMs - 1), TrayLook::Alarm);
    EXPECT_EQ(trayLook(true, 1000, 1000 + kRecentAlarmMs), TrayLook::Quiet);
    EXPECT_EQ(trayLook(false, 1000, 1000 + kRecentAlarmMs), TrayLook::LinkLost);
}

// The tone the build makes: a WAV header that players accept, silence at both ends of each
// beep (no click when it loops), and no sample at full scale.
TEST(AlarmTone, IsAPlayableShortWavWithSoftEdges) {
    const auto wav = alarmToneWav();
    ASSERT_GT(wav.size(), 44u);
    const auto u32 = [&](std::size_t at) {
        return std::uint32_t(wav[at]) | std::uint32_t(wav[at + 1]) << 8 |
               std::uint32_t(wav[at + 2]) << 16 | std::uint32_t(wav[at + 3]) << 24;
    };
    const auto u16 = [&](std::size_t at) { return std::uint16_t(wav[at] | wav[at + 1] << 8); };
    EXPECT_EQ(std::memcmp(wav.data(), "RIFF", 4), 0);
    EXPECT_EQ(u32(4), wav.size() - 8);
    EXPECT_EQ(std::memcmp(wav.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(u16(20), 1); // PCM
    EXPECT_EQ(u16(22), 1); // mono
    EXPECT_EQ(u32(24), std::uint32_t(kToneSampleRate));
    EXPECT_EQ(u16(34), 16); // bits
    EXPECT_EQ(std::memcmp(wav.data() + 36, "data", 4), 0);
    const std::uint32_t samples = u32(40) / 2;
    EXPECT_EQ(samples, std::uint32_t(kToneSampleRate * kToneMs / 1000));
    int peak = 0;
    for (std::uint32_t i = 0; i < samples; ++i) {
        peak = std::max(peak, std::abs(int(std::int16_t(u16(44 + 2 * i)))));
    }
    EXPECT_GT(peak, 10000);
    EXPECT_LT(peak, 32767);
    EXPECT_EQ(std::int16_t(u16(44)), 0) << "starts from silence";
    EXPECT_EQ(std::int16_t(u16(44 + 2 * (samples - 1))), 0) << "ends in silence";
}
