#include "link/linkfakes.h"
#include "remote/history/alarmwatch.h"
#include "remote/history/historystore.h"
#include "tests/support/deviceframes.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace remote::history;
namespace device = remote::link::device;

namespace {

// The core wired through the watch into a real history file, with a hand-driven clock.
struct WatchedLink : ::testing::Test {
    QTemporaryDir dir;
    HistoryStore store{(dir.path() + "/history.sqlite3").toStdString()};
    std::int64_t nowMs = 1'798'000'000'000;
    linktest::RecordingView view;
    linktest::RecordingPort port;
    AlarmWatch watch{view,
                     [this] {
                         return AlarmWatch::Now{nowMs, 7200};
                     },
                     [this](const AlarmRecord& r) {
                         AlarmRecord stored = r;
                         store.insert(stored);
                     }};
    remote::link::MonitorLink link{watch, port};

    void feed(std::span<const std::uint8_t> bytes) { link.OnReceive(bytes); }
    void alarmCode(int channel) { feed(device::AlarmCode(channel)); }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) {
            nowMs += 100;
            link.Timer1_Timer();
        }
    }
    std::vector<AlarmRecord> rows() const { return store.read(HistoryFilter{}); }
};

} // namespace

TEST_F(WatchedLink, EachAlarmLandsWithItsChannelLabelAndTheTickTime) {
    alarmCode(4);
    alarmCode(0);
    ticks(1); // both labels turn red at this tick
    ASSERT_EQ(rows().size(), 2u);
    EXPECT_EQ(rows()[0].channel, 0);
    EXPECT_EQ(rows()[0].label, "RF Signal :");
    EXPECT_EQ(rows()[1].channel, 4);
    EXPECT_EQ(rows()[1].label, "Ext3(Video) :");
    EXPECT_EQ(rows()[1].utcMs, 1'798'000'000'100);
    EXPECT_EQ(rows()[1].utcOffsetSeconds, 7200);
    EXPECT_FALSE(rows()[1].detectorClock); // no settings frame yet
    // What the window shows is untouched by the watch.
    EXPECT_EQ(view.eventColour[4], remote::link::protocol::AlarmColour);
}

TEST_F(WatchedLink, AReportDuringTheRedPhaseIsTheSameAlarmAFadedLabelANewOne) {
    alarmCode(1);
    ticks(5);
    alarmCode(1); // restarts the hold; the label never went black
    ticks(5);
    EXPECT_EQ(rows().size(), 1u);
    ticks(20); // faded
    EXPECT_EQ(view.eventColour[1], 0u);
    alarmCode(1);
    ticks(1);
    const auto all = rows();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].utcMs - all[0].utcMs, 3000);
}

TEST_F(WatchedLink, CarriesTheDetectorClockOfTheLastAcceptedSettingsFrame) {
    device::Settings settings;
    settings.yearsAfter2000 = 24;
    settings.month = 5;
    settings.day = 1;
    settings.hour = 12;
    settings.minute = 3;
    settings.second = 9;
    feed(device::SettingsFrame(settings));
    alarmCode(8);
    ticks(1);
    // A frame with a bad checksum changes nothing.
    auto bad = device::SettingsFrame(device::Settings{});
    bad[bad.size() - 2] ^= 1;
    feed(bad);
    alarmCode(2);
    ticks(1);
    const auto all = rows();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].detectorClock, "2024-05-01 12:03:09");
    EXPECT_EQ(all[1].detectorClock, "2024-05-01 12:03:09");
}

TEST_F(WatchedLink, AlarmsSeenWhileNotRecordingAreShownOnly) {
    watch.setRecording(false);
    alarmCode(3);
    ticks(1);
    EXPECT_EQ(view.eventColour[3], remote::link::protocol::AlarmColour);
    watch.setRecording(true);
    ticks(1); // still the same red phase: no late row
    EXPECT_TRUE(rows().empty());
}

TEST(AlarmWatchSeam, PassesEveryCallOn) {
    linktest::RecordingView view;
    int alarms = 0;
    AlarmWatch watch(view, {}, [&alarms](const AlarmRecord&) { ++alarms; });
    watch.setScreenCaption(2, "LINE");
    watch.setScreenOpaque(1, true);
    watch.setHexCopy("53 54");
    watch.setScanMarkVisible(true);
    watch.setLampValue(remote::link::MonitorView::Lamp::RXD, true);
    watch.setDisplayCaption(remote::link::MonitorView::Display::SERIAL, 0, "12345678");
    watch.setSwitchValue(3, true);
    watch.setSwitchBackColor(2, 0x123456);
    watch.refuseSave("no");
    EXPECT_EQ(view.screen[2], "LINE");
    EXPECT_TRUE(view.opaque[1]);
    EXPECT_EQ(view.hexCopy, "53 54");
    EXPECT_TRUE(view.scanMarkVisible);
    EXPECT_TRUE(view.rxd());
    EXPECT_EQ(view.display(remote::link::MonitorView::Display::SERIAL), "12345678");
    EXPECT_TRUE(watch.switchValue(3));
    EXPECT_EQ(view.switchColour[2], 0x123456u);
    EXPECT_EQ(watch.inputText(remote::link::MonitorView::Input::FREQSET, 0), "24");
    EXPECT_EQ(view.refusals.size(), 1u);
    EXPECT_EQ(alarms, 0);
}

namespace {

// The watch with a snapshot sink and a noise source, and the link behind it.
struct WatchedSettings : WatchedLink {
    std::vector<SettingsSnapshot> snapshots;
    std::uint32_t noise = 0;

    WatchedSettings() {
        watch.setSnapshotSink([this](const SettingsSnapshot& s) { snapshots.push_back(s); });
        watch.setNoiseSource([this] { return noise; });
    }
    void settingsFrame(const device::Settings& settings) { feed(device::SettingsFrame(settings)); }
};

} // namespace

TEST_F(WatchedSettings, KeepsASnapshotOnlyWhenTheSettingsChangeTheClockAside) {
    device::Settings s;
    s.laserQ1 = 55;
    s.switchBits = 0b1010;
    settingsFrame(s);
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(snapshots[0].utcMs, nowMs);
    EXPECT_EQ(snapshots[0].utcOffsetSeconds, 7200);
    EXPECT_EQ(snapshots[0].laser[4], "0.55");
    EXPECT_EQ(snapshots[0].switches, 0b1010);
    EXPECT_EQ(snapshots[0].serial, "00000000");

    ticks(4);
    s.second = 30; // the clock runs on: the same settings
    settingsFrame(s);
    EXPECT_EQ(snapshots.size(), 1u);

    ticks(4);
    s.channelTimes[6] = 9;
    settingsFrame(s);
    ASSERT_EQ(snapshots.size(), 2u);
    EXPECT_EQ(snapshots[1].channelTimes[6], "9");
    EXPECT_EQ(snapshots[1].utcMs, snapshots[0].utcMs + 800);

    // A replay's settings are not kept, and the first live ones after it are kept anew.
    watch.setRecording(false);
    s.channelTimes[6] = 3;
    settingsFrame(s);
    EXPECT_EQ(snapshots.size(), 2u);
    watch.setRecording(true);
    s.channelTimes[6] = 9;
    settingsFrame(s);
    EXPECT_EQ(snapshots.size(), 3u);

    // The laser QZ and QS readings wander with every frame while polling: they travel with
    // a snapshot but are no settings of their own.
    for (std::uint16_t reading : {301, 312, 298}) {
        ticks(4);
        s.laserQz1 = reading;
        s.laserQz2 = static_cast<std::uint16_t>(reading + 1);
        s.laserQs1 = static_cast<std::uint16_t>(reading * 4);
        s.laserQs2 = static_cast<std::uint16_t>(reading * 4 + 1);
        settingsFrame(s);
    }
    EXPECT_EQ(snapshots.size(), 3u);
    s.laserQ2 = 7; // a laser level is a setting
    settingsFrame(s);
    ASSERT_EQ(snapshots.size(), 4u);
    EXPECT_EQ(snapshots[3].laser[0], "2.98") << "the readings of the moment are kept";
    EXPECT_EQ(snapshots[3].laser[5], "0.07");
}

TEST_F(WatchedSettings, EachAlarmCarriesTheNoiseSourcesCountAtItsTick) {
    noise = 0;
    alarmCode(2);
    ticks(1);
    noise = 4242;
    alarmCode(5);
    ticks(1);
    const auto all = rows();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].droppedBytes, 0u);
    EXPECT_EQ(all[1].droppedBytes, 4242u);
}

TEST_F(WatchedLink, ANoisyLineShowsInTheAlarmsDroppedBytes) {
    watch.setNoiseSource([this] { return link.DroppedBytesRecently(); });
    // Bytes that no frame takes, then an alarm code amid them.
    const std::vector<std::uint8_t> noise(300, 'z');
    feed(noise);
    alarmCode(6);
    feed(noise);
    feed(device::Acknowledgement());
    ticks(1);
    ticks(30); // the label fades; the noise leaves the two-second window
    alarmCode(6);
    ticks(1);
    const auto all = rows();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].droppedBytes, 600u);
    EXPECT_EQ(all[1].droppedBytes, 0u);
}
