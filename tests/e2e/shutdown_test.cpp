// The station ended by the system (a logout, a shutdown, Ctrl+C, a closed terminal) as a
// real process: it goes through its normal end, so the serial port, the alarm history and
// its single-instance lock are closed as on Exit.
#include "stationsession.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sys/stat.h>

using namespace e2e;

namespace {

constexpr int EndTimeoutMs = 30000; // generous: the checkpoint runs on a loaded machine

struct Termination {
    const char* name;
    int signal;
};

class StationEnd : public ::testing::TestWithParam<Termination> {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.startSimulator());
        ASSERT_TRUE(session.startStation()) << session.stationOutput().toStdString();
    }

    int count(const char* direction, const char* what) const {
        const auto frames = session.frames();
        return static_cast<int>(std::count_if(frames.begin(), frames.end(), [&](const auto& f) {
            return f.direction == QLatin1String(direction) && f.what == QLatin1String(what);
        }));
    }

    // Ended by the signal through its own path: a normal exit with status 0, not a death.
    void expectCleanEnd(int signalNumber) {
        ASSERT_TRUE(session.signalStation(signalNumber));
        ASSERT_TRUE(session.waitForStationEnd(EndTimeoutMs)) << "still running";
        EXPECT_EQ(session.station().exitStatus(), QProcess::NormalExit)
            << "ended by the signal itself";
        EXPECT_EQ(session.station().exitCode(), 0) << session.stationOutput().toStdString();
    }

    StationSession session;
};

} // namespace

TEST_P(StationEnd, ASignalClosesThePortAndTheHistoryAndEndsWithStatusZero) {
    ASSERT_TRUE(session.hasControl(QStringLiteral("LOOPSW")));
    session.ask(QStringLiteral("click LOOPSW"));
    ASSERT_TRUE(waitUntil([this] { return count("in", "poll") >= 2; }));
    const QString red = QStringLiteral("#c00000");
    session.typeOnSimulator(QStringLiteral("alarm 2"));
    ASSERT_TRUE(waitUntil([&] { return session.ask(QStringLiteral("color EVENTL_2")) == red; }));
    const QString portLock = session.serialPortLock();

    expectCleanEnd(GetParam().signal);

    if (!portLock.isEmpty()) {
        EXPECT_FALSE(QFileInfo::exists(portLock)) << "the port was not closed";
    }
    const int polls = count("in", "poll");
    waitUntil([] { return false; }, 1000);
    EXPECT_EQ(count("in", "poll"), polls);

    // The history was closed: its log folded in, and the alarm readable by another program.
    const QFileInfo wal(session.historyFile() + QStringLiteral("-wal"));
    EXPECT_TRUE(!wal.exists() || wal.size() == 0) << wal.size() << " bytes left in the log";
    QProcess exporter;
    session.startCopy(exporter, {QStringLiteral("--export-history"), QStringLiteral("-")});
    ASSERT_TRUE(exporter.waitForFinished(EndTimeoutMs));
    const QString csv = QString::fromUtf8(exporter.readAll());
    EXPECT_EQ(exporter.exitCode(), 0) << csv.toStdString();
    EXPECT_TRUE(csv.contains(QLatin1String(",2,"))) << csv.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Table, StationEnd,
                         ::testing::Values(Termination{"SIGTERM", SIGTERM},
                                           Termination{"SIGINT", SIGINT},
                                           Termination{"SIGHUP", SIGHUP}),
                         [](const auto& info) { return std::string(info.param.name); });

// The exit question is a modal box with its own event loop: the signal ends the program
// from inside it, without an answer.
TEST_F(StationEnd, ASignalWhileTheExitQuestionIsUpEndsTheStation) {
    ASSERT_TRUE(session.hasControl(QStringLiteral("ssrToolbar5")));
    session.ask(QStringLiteral("click ssrToolbar5"));
    ASSERT_TRUE(waitUntil([this] {
        return session.ask(QStringLiteral("windows")).contains(QLatin1String("QMessageBox"));
    }));
    expectCleanEnd(SIGTERM);
}

// A second copy with the same environment is refused by the lock before it opens anything:
// the first copy's automation socket is untouched. The second copy's "already running" box
// is still ended by a signal.
TEST_F(StationEnd, ASecondCopyLeavesTheFirstCopysSocketAloneAndEndsOnASignal) {
    const auto inode = [&] {
        struct stat st {};
        return ::lstat(QFile::encodeName(session.socketPath()).constData(), &st) == 0 ? st.st_ino
                                                                                      : ino_t(0);
    };
    const ino_t first = inode();
    ASSERT_NE(first, ino_t(0));
    QProcess second;
    session.startCopy(second, {});
    ASSERT_TRUE(second.waitForStarted(10000));
    // Time for a wrong start to show itself; nothing in the second copy says it has looked.
    waitUntil([&] { return second.state() == QProcess::NotRunning; }, 3000);
    EXPECT_EQ(second.state(), QProcess::Running) << "the \"already running\" box is not up";
    EXPECT_EQ(inode(), first) << "the socket was replaced";
    EXPECT_TRUE(session.ask(QStringLiteral("windows")).contains(QLatin1String("frmMain")));
    QLocalSocket another;
    another.connectToServer(session.socketPath());
    EXPECT_TRUE(another.waitForConnected(5000)) << "the first copy's socket was taken over";
    another.abort();

    ASSERT_EQ(::kill(static_cast<pid_t>(second.processId()), SIGTERM), 0);
    ASSERT_TRUE(second.waitForFinished(EndTimeoutMs));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(second.exitCode(), 0) << "a refused copy ends with an error status";
    EXPECT_TRUE(session.ask(QStringLiteral("windows")).contains(QLatin1String("frmMain")));
    EXPECT_EQ(inode(), first);
}
