#include "simoptions.h"

#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

using detectorsim::parseSimOptions;
using detectorsim::SimOptions;

namespace {

SimOptions parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("detector-sim"));
    return parseSimOptions(arguments, QStringLiteral("1.2.3.4"));
}

} // namespace

TEST(SimOptions, OutcomeOfEachKindOfLine) {
    using Outcome = SimOptions::Outcome;
    const struct {
        QStringList args;
        Outcome outcome;
        const char* says;
    } cases[] = {
        {{}, Outcome::Run, ""},
        {{"--help"}, Outcome::Help, "Usage: detector-sim"},
        {{"-h"}, Outcome::Help, "--replay-speed N"},
        {{"--version"}, Outcome::Version, "detector-sim 1.2.3.4\n"},
        {{"--link", "/tmp/com1", "--version"}, Outcome::Version, "detector-sim 1.2.3.4\n"},
        {{"--bogus"}, Outcome::Refused, "Unknown option 'bogus'"},
        {{"--link"}, Outcome::Refused, "Missing value after '--link'"},
        {{"extra"}, Outcome::Refused, "unexpected argument 'extra'"},
        {{"--link", "a", "--device", "b"}, Outcome::Refused, "exclude each other"},
        {{"--replay-speed", "2"}, Outcome::Refused, "--replay-speed goes only with --replay"},
        {{"--alarms", "x"}, Outcome::Refused, "--alarms takes 0 to 6000"},
        {{"--alarms", "6001"}, Outcome::Refused, "--alarms takes 0 to 6000"},
        {{"--alarms", "-1"}, Outcome::Refused, "--alarms takes 0 to 6000"},
        {{"--alarms", ""}, Outcome::Refused, "--alarms takes 0 to 6000"},
        {{"--seed", "4294967296"}, Outcome::Refused, "--seed takes a whole number"},
        {{"--seed", "+5"}, Outcome::Refused, "--seed takes a whole number"},
        {{"--replay", "r", "--replay-speed", "1001"}, Outcome::Refused, "--replay-speed takes"},
        {{"--replay", "r", "--replay-speed", "nan"}, Outcome::Refused, "--replay-speed takes"},
        {{"--replay", "r", "--replay-speed", "inf"}, Outcome::Refused, "--replay-speed takes"},
        {{"--replay", "r", "--replay-speed", "-0.5"}, Outcome::Refused, "--replay-speed takes"},
    };
    for (const auto& c : cases) {
        const SimOptions options = parse(c.args);
        const std::string label = c.args.join(' ').toStdString();
        EXPECT_EQ(options.outcome, c.outcome) << label;
        EXPECT_TRUE(options.text.contains(QString::fromUtf8(c.says)))
            << label << ": " << options.text.toStdString();
        if (c.outcome == Outcome::Refused) {
            EXPECT_TRUE(options.text.startsWith(QStringLiteral("detector-sim: "))) << label;
            EXPECT_TRUE(options.text.contains(QStringLiteral("\nUsage: detector-sim"))) << label;
        }
    }
}

TEST(SimOptions, ValuesReachTheSimulator) {
    const SimOptions options =
        parse({"--link", "/tmp/com1", "--log", "frames.log", "--alarms", "6000", "--seed",
               "4294967295", "--replay", "field.rec", "--replay-speed", "0"});
    ASSERT_EQ(options.outcome, SimOptions::Outcome::Run) << options.text.toStdString();
    EXPECT_EQ(options.link, "/tmp/com1");
    EXPECT_TRUE(options.device.empty());
    EXPECT_EQ(options.logPath, "frames.log");
    EXPECT_EQ(options.detector.alarmsPerMinute, 6000);
    EXPECT_EQ(options.detector.seed, 4294967295u);
    EXPECT_EQ(options.replayPath, "field.rec");
    EXPECT_EQ(options.replaySpeed, 0);

    const SimOptions plain = parse({"--device", "/dev/ttyS0"});
    ASSERT_EQ(plain.outcome, SimOptions::Outcome::Run);
    EXPECT_EQ(plain.device, "/dev/ttyS0");
    EXPECT_EQ(plain.replaySpeed, 1);
    EXPECT_EQ(plain.detector.alarmsPerMinute, 0);
    EXPECT_EQ(plain.detector.seed, 1u);
}

// The built program: help and version on standard output, status 0, no line made; a refused
// line on standard error with status 2.
TEST(SimOptions, ProgramAnswersHelpVersionAndUnknownOptions) {
    const struct {
        QStringList args;
        int exitCode;
        bool onStdout;
        const char* says;
    } cases[] = {
        {{"--help"}, 0, true, "Usage: detector-sim"},
        {{"--version"}, 0, true, "detector-sim " DETECTOR_SIM_VERSION "\n"},
        {{"--no-such-option"}, 2, false, "Unknown option 'no-such-option'"},
    };
    for (const auto& c : cases) {
        QProcess sim;
        sim.start(QStringLiteral(DETECTOR_SIM_PATH), c.args);
        ASSERT_TRUE(sim.waitForFinished(20000)) << c.args.join(' ').toStdString();
        const QString out = QString::fromUtf8(sim.readAllStandardOutput());
        const QString err = QString::fromUtf8(sim.readAllStandardError());
        EXPECT_EQ(sim.exitCode(), c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE((c.onStdout ? out : err).contains(QString::fromUtf8(c.says)))
            << "out: " << out.toStdString() << "\nerr: " << err.toStdString();
        EXPECT_FALSE(out.contains(QStringLiteral("detector-sim: line"))) << out.toStdString();
    }
}
