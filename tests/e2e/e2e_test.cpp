// The station and the simulator as separate programs over a pseudo-terminal. Checks that
// need a control the running station does not have yet are skipped with its name.
#include "stationsession.h"

#include <QDate>

#include <gtest/gtest.h>

#include <algorithm>

using namespace e2e;

namespace {

class EndToEnd : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.startSimulator());
        ASSERT_TRUE(session.startStation()) << session.stationOutput().toStdString();
    }

    QStringList missing(const QStringList& names) {
        QStringList absent;
        for (const QString& name : names) {
            if (!session.hasControl(name)) {
                absent << name;
            }
        }
        return absent;
    }

    void loopOn() {
        if (session.ask(QStringLiteral("checked LOOPSW")) != QLatin1String("1")) {
            session.ask(QStringLiteral("click LOOPSW"));
        }
        ASSERT_TRUE(
            waitUntil([this] { return session.ask(QStringLiteral("checked LOOPSW")) == "1"; }));
    }

    // Waits for the control to show text; on failure says what it showed last.
    testing::AssertionResult textBecomes(const QString& name, const QString& text) {
        QString shown;
        if (waitUntil([&] {
                shown = session.ask(QStringLiteral("text ") + name);
                return shown == text;
            })) {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure()
               << name.toStdString() << " shows \"" << shown.toStdString() << "\"";
    }

    int count(const QString& direction, const QString& what) {
        const auto frames = session.frames();
        return static_cast<int>(std::count_if(frames.begin(), frames.end(), [&](const auto& f) {
            return f.direction == direction && f.what == what;
        }));
    }

    StationSession session;
};

#define REQUIRE_CONTROLS(...)                                                                      \
    do {                                                                                           \
        const QStringList absent = missing({__VA_ARGS__});                                         \
        if (!absent.isEmpty()) {                                                                   \
            FAIL() << "the running station has no control "                                        \
                   << absent.join(QStringLiteral(", ")).toStdString();                             \
        }                                                                                          \
    } while (0)

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

// Start-up opens Com1 on the simulator's line; with the loop switch off nothing is sent.
TEST_F(EndToEnd, StationOpensTheSimulatorsLineAndStaysQuietWithTheLoopOff) {
    const QString device = session.simulatorDevice();
    ASSERT_FALSE(device.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return session.stationHoldsOpen(device); }));
    waitUntil([] { return false; }, 1500);
    for (const auto& f : session.frames()) {
        EXPECT_NE(f.direction, QLatin1String("in")) << f.what.toStdString();
        EXPECT_FALSE(f.direction.startsWith(QLatin1String("bad"))) << f.what.toStdString();
    }
}

// The detector pulled and plugged back (a new pty behind the same name): the station
// lets go of the dead line, keeps running and opens the new one.
TEST_F(EndToEnd, SurvivesAVanishingAndReturningSimulator) {
    const QString first = session.simulatorDevice();
    ASSERT_TRUE(waitUntil([&] { return session.stationHoldsOpen(first); }));
    session.killSimulator();
    EXPECT_TRUE(waitUntil([&] { return !session.stationHoldsOpen(first); }));
    EXPECT_TRUE(session.stationRunning());

    ASSERT_TRUE(session.startSimulator());
    const QString second = session.simulatorDevice();
    EXPECT_TRUE(waitUntil([&] { return session.stationHoldsOpen(second); }, 30000))
        << "the station did not reopen " << second.toStdString();
    EXPECT_TRUE(session.stationRunning());
    EXPECT_TRUE(session.ask(QStringLiteral("windows")).contains(QLatin1String("frmMain")));
}

// With the loop on, poll and read-settings alternate on the wire, each every 400 ms and
// 200 ms apart (medians, with room for a loaded machine); every command is well formed.
TEST_F(EndToEnd, PollAndReadSettingsAlternate) {
    REQUIRE_CONTROLS("LOOPSW");
    loopOn();
    const auto inbound = [this] {
        std::vector<LoggedFrame> in;
        for (const auto& f : session.frames()) {
            if (f.direction == QLatin1String("in")) {
                in.push_back(f);
            }
        }
        return in;
    };
    ASSERT_TRUE(waitUntil([&] { return inbound().size() >= 21; }, 30000));
    const auto in = inbound();
    std::vector<double> pollGaps, pollToRead;
    for (std::size_t i = 1; i < in.size(); ++i) {
        EXPECT_NE(in[i].what, in[i - 1].what)
            << "frame " << i << " repeats " << in[i].what.toStdString();
        if (in[i].what == QLatin1String("read-settings") &&
            in[i - 1].what == QLatin1String("poll")) {
            pollToRead.push_back(in[i].seconds - in[i - 1].seconds);
        }
        if (i >= 2 && in[i].what == QLatin1String("poll")) {
            pollGaps.push_back(in[i].seconds - in[i - 2].seconds);
        }
    }
    EXPECT_GT(median(pollGaps), 0.25);
    EXPECT_LT(median(pollGaps), 1.0);
    EXPECT_GT(median(pollToRead), 0.10);
    EXPECT_LT(median(pollToRead), 0.60);
    EXPECT_EQ(count(QStringLiteral("bad-checksum"), QStringLiteral("poll")), 0);
    for (const auto& f : session.frames()) {
        EXPECT_FALSE(f.direction.startsWith(QLatin1String("bad"))) << f.what.toStdString();
    }
}

TEST_F(EndToEnd, DisplayAndSettingsShowWhatTheSimulatorHolds) {
    REQUIRE_CONTROLS("LOOPSW", "BSCREEN_0", "BSCREEN_1", "BSCREEN_4", "SETID", "SERIAL", "TTIME_0");
    loopOn();
    EXPECT_TRUE(textBecomes(QStringLiteral("BSCREEN_0"), QStringLiteral("QND-123456 Ready")));
    EXPECT_TRUE(textBecomes(QStringLiteral("BSCREEN_1"), QStringLiteral("Vol 08  Sql 03  ")));
    EXPECT_TRUE(textBecomes(QStringLiteral("SETID"), QStringLiteral("QND-123456")));
    EXPECT_TRUE(textBecomes(QStringLiteral("SERIAL"), QStringLiteral("00012345")));
    const QString year = QStringLiteral(" %1").arg(QDate::currentDate().year());
    EXPECT_TRUE(textBecomes(QStringLiteral("TTIME_0"), year));

    // Scanning: the long frame's "Close Call" line is shown rewritten.
    session.typeOnSimulator(QStringLiteral("scan on"));
    EXPECT_TRUE(textBecomes(QStringLiteral("BSCREEN_0"), QStringLiteral("TSCM Event      ")));
}

TEST_F(EndToEnd, SaveWithTheAccessCodeChangesTheSimulatorAndReadsBack) {
    REQUIRE_CONTROLS("ssrToolbar1", "IDIN", "FREQSAVE_1", "SETID");
    session.ask(QStringLiteral("click ssrToolbar1"));
    ASSERT_TRUE(waitUntil([this] {
        return session.ask(QStringLiteral("windows")).contains(QLatin1String("frmSecurity"));
    }));
    REQUIRE_CONTROLS("NewPass", "cmdOK");
    session.ask(QStringLiteral("type NewPass KT48260"));
    session.ask(QStringLiteral("click cmdOK"));
    ASSERT_TRUE(
        waitUntil([this] { return session.ask(QStringLiteral("enabled FREQSAVE_1")) == "1"; }));

    session.ask(QStringLiteral("type IDIN ZX9876"));
    session.ask(QStringLiteral("click FREQSAVE_1"));
    EXPECT_TRUE(
        waitUntil([this] { return count("in", "save-id") == 1 && count("out", "ack") == 1; }));
    // The read-back goes out also with the loop off, and shows the stored value.
    EXPECT_TRUE(textBecomes(QStringLiteral("SETID"), QStringLiteral("QND-ZX9876")));
}

TEST_F(EndToEnd, AlarmsTurnTheirLabelRedAndFadeBack) {
    REQUIRE_CONTROLS("EVENTL_0", "EVENTL_2", "EVENTL_8");
    const QString red = QStringLiteral("#c00000");
    EXPECT_NE(session.ask(QStringLiteral("color EVENTL_2")), red);
    session.typeOnSimulator(QStringLiteral("alarm 2"));
    EXPECT_TRUE(waitUntil([&] { return session.ask(QStringLiteral("color EVENTL_2")) == red; }));
    EXPECT_TRUE(waitUntil([&] { return session.ask(QStringLiteral("color EVENTL_2")) != red; }));
    // A code inside a frame counts as well (it rides in the next screen frame).
    if (!missing({"LOOPSW"}).isEmpty()) {
        return;
    }
    loopOn();
    session.typeOnSimulator(QStringLiteral("alarm 8 frame"));
    EXPECT_TRUE(waitUntil([&] { return session.ask(QStringLiteral("color EVENTL_8")) == red; }));
}
