#include "core/detector.h"
#include "simframes.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace detectorsim;
using namespace simtest;
using namespace std::chrono;

namespace {

// A detector with a wall clock and a monotonic time the test moves by hand.
class DetectorTest : public testing::Test {
protected:
    DetectorTest()
        : detector(makeOptions()) {}

    DetectorOptions makeOptions() {
        DetectorOptions o;
        o.seed = 7;
        o.wallClock = [this] { return wall; };
        return o;
    }

    Bytes send(const Bytes& bytes) { return detector.receive(bytes, now); }
    Bytes type(std::string_view line) {
        std::string reply;
        auto out = detector.console(line, now, reply);
        lastReply = reply;
        return out;
    }
    Bytes settings() {
        const Bytes frame = send(ReadSettings);
        EXPECT_EQ(frame.size(), 55u);
        EXPECT_EQ(textOf(frame, 0, 4), "SETS");
        return frame;
    }
    void press(char k) {
        EXPECT_TRUE(send(key(k, true)).empty());
        EXPECT_TRUE(send(key(k, false)).empty());
    }

    system_clock::time_point wall = sys_days(year(2026) / 12 / 10) + hours(4) + minutes(30);
    Moment now = Moment{} + hours(1);
    Detector detector;
    std::string lastReply;
};

} // namespace

TEST_F(DetectorTest, PollShowsTheMainScreenWithTheTopLineSelected) {
    const Bytes frame = send(Poll);
    ASSERT_EQ(frame.size(), 130u);
    const auto f = screenFields(frame);
    EXPECT_EQ(f[1], "QND-123456 Ready");
    EXPECT_EQ(f[2], "****************");
    EXPECT_EQ(f[6], "2026-12-10 04:30");
}

TEST_F(DetectorTest, SettingsFrameHoldsARunningClockAndTheStoredValues) {
    Bytes s = settings();
    EXPECT_TRUE(settingsChecksumGood(s));
    EXPECT_EQ((std::vector<int>{at(s, 0), at(s, 1), at(s, 2), at(s, 3), at(s, 4), at(s, 5)}),
              (std::vector<int>{26, 12, 10, 4, 30, 0}));
    EXPECT_EQ(textOf(s, 4 + 6, 6), "123456");
    EXPECT_EQ(textOf(s, 4 + 27, 8), "00012345");
    wall += seconds(95);
    s = settings();
    EXPECT_EQ(at(s, 4), 31);
    EXPECT_EQ(at(s, 5), 35);
}

// Every save is stored, acknowledged with the pattern, and read back in the settings frame;
// a value out of range is refused and leaves the stored value alone.
TEST_F(DetectorTest, SavesAreStoredAcknowledgedAndReadBack) {
    struct Case {
        const char* name;
        CommandKind kind;
        Bytes values;
        std::vector<std::pair<std::size_t, int>> readBack; // position, value
        bool accepted;
    };
    const Case cases[] = {
        {"clock",
         CommandKind::SaveClock,
         {27, 2, 28, 23, 59},
         {{0, 27}, {1, 2}, {2, 28}, {3, 23}, {4, 59}, {5, 0}},
         true},
        {"clock 30 Feb", CommandKind::SaveClock, {27, 2, 30, 1, 1}, {{1, 12}, {2, 10}}, false},
        {"id", CommandKind::SaveId, bytesOf("ZX9876"), {{6, 'Z'}, {11, '6'}}, true},
        {"id control char", CommandKind::SaveId, {'A', 'B', 1, 'D', 'E', 'F'}, {{6, '1'}}, false},
        {"rf 45", CommandKind::SaveRfTime, {4, 5}, {{12, 45}}, true},
        {"rf 61", CommandKind::SaveRfTime, {6, 1}, {{12, 30}}, false},
        {"laser levels", CommandKind::SaveLaserLevels, {12, 99}, {{17, 12}, {18, 99}}, true},
        {"laser level 100", CommandKind::SaveLaserLevels, {100, 1}, {{17, 50}}, false},
        {"volumes", CommandKind::SaveLaserVolumes, {0, 13}, {{19, 0}, {20, 13}}, true},
        {"channel times",
         CommandKind::SaveChannelTimes,
         {1, 2, 3, 4, 5, 6, 7, 8, 60},
         {{21, 1}, {24, 4}, {35, 5}, {39, 60}},
         true},
        {"channel time 61",
         CommandKind::SaveChannelTimes,
         {1, 2, 3, 4, 5, 6, 7, 8, 61},
         {{21, 14}},
         false},
        {"repeat", CommandKind::SaveRepeatTime, {13}, {{25, 13}}, true},
        {"repeat 25", CommandKind::SaveRepeatTime, {25}, {{25, 24}}, false},
        {"switches", CommandKind::SaveSwitches, {10}, {{26, 10}}, true},
        {"switches 16", CommandKind::SaveSwitches, {16}, {{26, 5}}, false},
        {"serial", CommandKind::SaveSerial, bytesOf("AB-00042"), {{27, 'A'}, {34, '2'}}, true},
    };
    for (const Case& c : cases) {
        Detector fresh(makeOptions());
        const int refusedBefore = fresh.counters().refusedSaves;
        const Bytes reply = fresh.receive(buildCommand(c.kind, c.values), now);
        EXPECT_EQ(textOf(reply), c.accepted ? "DBOK" : "") << c.name;
        EXPECT_EQ(fresh.counters().refusedSaves, refusedBefore + (c.accepted ? 0 : 1)) << c.name;
        const Bytes s = fresh.receive(ReadSettings, now);
        EXPECT_TRUE(settingsChecksumGood(s)) << c.name;
        for (const auto& [pos, value] : c.readBack) {
            EXPECT_EQ(at(s, pos), value) << c.name << " position " << pos;
        }
    }
}

TEST_F(DetectorTest, MenuIsNavigatedWithKeysAndStartsTheScan) {
    press('M');
    auto f = screenFields(send(Poll));
    EXPECT_EQ(f[1], "1.Scan          ");
    EXPECT_EQ(f[2], "****************");
    press('>');
    press('>');
    f = screenFields(send(Poll));
    EXPECT_EQ(f[3], "3.Squelch       ");
    EXPECT_EQ(f[4], "****************");
    // Down past the window's bottom scrolls it; up again at the top stays there.
    for (int i = 0; i < 10; ++i) {
        press('>');
    }
    f = screenFields(send(Poll));
    EXPECT_EQ(f[5], "6.Exit          ");
    EXPECT_EQ(f[6], "****************");
    for (int i = 0; i < 10; ++i) {
        press('<');
    }
    press('E');
    EXPECT_TRUE(detector.scanning());
    EXPECT_FALSE(detector.inMenu());

    const Bytes frame = send(Poll);
    ASSERT_EQ(frame.size(), 136u);
    f = screenFields(frame);
    EXPECT_EQ(f[1], "Close Call      ");
    ASSERT_EQ(f[2].size(), 16u);
    for (char c : f[2]) {
        EXPECT_TRUE(c == 24 || c == 25) << int(c);
    }
    EXPECT_EQ(f[4].substr(0, 8), "Vol 08  ");
    press('S');
    EXPECT_EQ(send(Poll).size(), 130u);
}

TEST_F(DetectorTest, ScanFindsShowTheFoundPhrase) {
    press('S');
    int found = 0;
    for (int i = 0; i < 300; ++i) {
        const auto f = screenFields(send(Poll));
        found += f[3].rfind("CC Found! ", 0) == 0;
    }
    EXPECT_GT(found, 0);
    press('H');
    const std::string held = screenFields(send(Poll))[3];
    EXPECT_EQ(screenFields(send(Poll))[3], held);
}

// The arrows act on every click, whatever state the key frame carries; levels stop at
// their ends.
TEST_F(DetectorTest, VolumeAndSquelchArrows) {
    send(key('!', false));
    send(key('!', true));
    EXPECT_EQ(detector.volume(), 10);
    send(key('%', false));
    EXPECT_EQ(detector.squelch(), 2);
    for (int i = 0; i < 20; ++i) {
        send(key('#', false));
    }
    EXPECT_EQ(detector.volume(), 0);
    EXPECT_EQ(screenFields(send(Poll))[3], "Vol 00  Sql 02  ");
}

TEST_F(DetectorTest, BadFramesAreCountedAndNotAnswered) {
    Bytes bad = ReadSettings;
    bad[12] ^= 0x40;
    EXPECT_TRUE(send(bad).empty());
    EXPECT_EQ(detector.counters().badChecksum, 1);
    EXPECT_TRUE(send({1, 2, 3}).empty());
    EXPECT_TRUE(detector.idle(now + milliseconds(100)).empty());
    EXPECT_EQ(detector.counters().strayRuns, 0); // not quiet long enough yet
    detector.idle(now + Detector::QuietTime);
    EXPECT_EQ(detector.counters().strayRuns, 1);
    EXPECT_EQ(detector.counters().strayBytes, 3);
    EXPECT_EQ(send(Poll).size(), 130u);
}

TEST_F(DetectorTest, AlarmsOnRequestBareAndInsideFrames) {
    EXPECT_EQ(textOf(type("alarm 2")), "FB5");
    EXPECT_EQ(textOf(type("alarm FB2")), "FB2");
    EXPECT_TRUE(type("alarm 9").empty());
    EXPECT_NE(lastReply.find("channel 0 to 8"), std::string::npos);

    EXPECT_TRUE(type("alarm 8 frame").empty());
    EXPECT_TRUE(type("alarm 0 frame").empty());
    const Bytes s = settings();
    EXPECT_TRUE(settingsChecksumGood(s));
    EXPECT_EQ(textOf(s, 4 + 44, 3), "FBC");
    const Bytes screen = send(Poll);
    EXPECT_EQ(screen.size(), 130u);
    EXPECT_EQ(count(screen, "FA1"), 1);
    EXPECT_EQ(count(send(Poll), "FA1"), 0);
}

TEST_F(DetectorTest, AlarmsOnTheirOwnAtTheConfiguredRate) {
    type("alarms 600"); // one every 100 ms
    std::vector<std::string> codes;
    for (int i = 0; i <= 60; ++i) {
        const Bytes out = detector.idle(now + milliseconds(100 * i));
        if (!out.empty()) {
            codes.push_back(textOf(out));
        }
    }
    // Some went into frames instead (a third on average); the rest are whole codes.
    EXPECT_GE(codes.size(), 20u);
    EXPECT_LE(codes.size(), 60u);
    for (const auto& c : codes) {
        EXPECT_TRUE(std::find(AlarmCodes.begin(), AlarmCodes.end(), c) != AlarmCodes.end()) << c;
    }
    type("alarms 0");
    EXPECT_TRUE(detector.idle(now + hours(1)).empty());
}

TEST_F(DetectorTest, FaultsAreInjectedOnce) {
    type("fault checksum");
    EXPECT_FALSE(settingsChecksumGood(settings()));
    EXPECT_TRUE(settingsChecksumGood(settings()));

    type("fault cut");
    EXPECT_EQ(send(Poll).size(), 65u);
    EXPECT_EQ(send(Poll).size(), 130u);

    const Bytes noise = type("fault noise 300");
    ASSERT_EQ(noise.size(), 300u);
    for (auto b : noise) {
        EXPECT_TRUE(b != 'S' && b != 'D' && b != 'F' && b != 13);
    }
    EXPECT_TRUE(type("fault noise 0").empty());
    EXPECT_TRUE(type("fault smoke").empty());
    EXPECT_NE(lastReply.find("checksum, noise"), std::string::npos);
}

TEST_F(DetectorTest, ConsoleStatusAndQuit) {
    type("bogus");
    EXPECT_NE(lastReply.find("try help"), std::string::npos);
    type("status");
    EXPECT_NE(lastReply.find("id 123456"), std::string::npos);
    EXPECT_NE(lastReply.find(">[QND-123456 Ready]"), std::string::npos);
    type("scan on");
    EXPECT_TRUE(detector.scanning());
    type("scan on");
    EXPECT_TRUE(detector.scanning());
    EXPECT_FALSE(detector.quitRequested());
    type("quit");
    EXPECT_TRUE(detector.quitRequested());
}

TEST_F(DetectorTest, LogHasOneStampedLinePerFrameBothWays) {
    std::ostringstream text;
    FrameLog log(text, now - milliseconds(1500));
    detector.setLog(&log);
    send(Poll);
    Bytes bad = Poll;
    bad[7] = 0;
    send(bad);
    std::istringstream lines(text.str());
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "1.500000 in poll 52 45 4D 4F 54 45 31 FD 0D");
    std::getline(lines, line);
    EXPECT_EQ(line.rfind("1.500000 out screen-short 53 54 53 2C ", 0), 0u) << line;
    std::getline(lines, line);
    EXPECT_EQ(line, "1.500000 bad-checksum poll 52 45 4D 4F 54 45 31 00 0D");
}
