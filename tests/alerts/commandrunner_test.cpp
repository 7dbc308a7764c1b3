#include "remote/alerts/commandrunner.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

using remote::alerts::CommandQueue;
using remote::alerts::CommandRunner;
using remote::history::AlarmRecord;

namespace {

AlarmRecord alarm(int channel) {
    return AlarmRecord{
        0,
        1'796'902'205'250,
        3600,
        channel,
        remote::link::protocol::AlarmChannelLabels[static_cast<std::size_t>(channel)],
        std::string("2024-05-01 12:30:05")};
}

QString quoted(const QString& s) {
    return u'"' + s + u'"';
}

// Real processes from scripts in a folder whose name has a blank in it, so the command's
// splitting is tried on every run.
class AlarmCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        ASSERT_TRUE(QDir(tmp.path()).mkpath(QStringLiteral("with blank")));
        dir = tmp.filePath(QStringLiteral("with blank"));
    }

    QString script(const QString& name, const QByteArray& body) {
        const QString path = dir + u'/' + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + body);
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    QByteArray read(const QString& name) {
        QFile f(dir + u'/' + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    bool idle(const CommandRunner& runner) {
        return QTest::qWaitFor(
            [&] { return runner.queue().running() == 0 && runner.queue().waiting() == 0; }, 60000);
    }

    QTemporaryDir tmp;
    QString dir;
};

} // namespace

TEST_F(AlarmCommand, TheAlarmReachesTheCommandInItsEnvironmentWithoutAShell) {
    const QString s =
        script(QStringLiteral("env.sh"),
               "env | grep '^REMOTE_ALARM_' | sort > \"$1/env-$REMOTE_ALARM_CHANNEL\"\n"
               "printf '%s' \"$2\" > \"$1/arg\"\n");
    CommandRunner runner;
    QSignalSpy failed(&runner, &CommandRunner::failed);
    // The second argument would be a variable and a file name glob to a shell.
    runner.setCommand(quoted(s) + u' ' + quoted(dir) + QStringLiteral(" \"$HOME *\""));
    runner.run(alarm(4));
    ASSERT_TRUE(idle(runner));
    EXPECT_EQ(read(QStringLiteral("env-4")), "REMOTE_ALARM_CHANNEL=4\n"
                                             "REMOTE_ALARM_DETECTOR_CLOCK=2024-05-01 12:30:05\n"
                                             "REMOTE_ALARM_LABEL=Ext3(Video) :\n"
                                             "REMOTE_ALARM_TIME=2026-12-10T12:30:05.250+01:00\n");
    EXPECT_EQ(read(QStringLiteral("arg")), "$HOME *");
    EXPECT_EQ(failed.count(), 0);
}

// 100 alarms at once: every running copy marks itself in a folder while it runs and notes
// how many marks it saw; none ever sees more than four. The rest wait or are dropped, and
// the drop is said.
TEST_F(AlarmCommand, AHundredAlarmsAtOnceNeverRunMoreThanFour) {
    const QString s =
        script(QStringLiteral("count.sh"), "mkdir \"$1/run.$$\"\n"
                                           "ls -d \"$1\"/run.* | wc -l >> \"$1/counts\"\n"
                                           "sleep 0.2\n"
                                           "rmdir \"$1/run.$$\"\n");
    CommandRunner runner;
    QSignalSpy dropped(&runner, &CommandRunner::dropped);
    runner.setCommand(quoted(s) + u' ' + quoted(dir));
    for (int i = 0; i < 100; ++i) {
        runner.run(alarm(i % 9));
    }
    ASSERT_TRUE(idle(runner));
    const QList<QByteArray> counts = read(QStringLiteral("counts")).trimmed().split('\n');
    EXPECT_EQ(counts.size(), 20) << "4 running and 16 waiting";
    int most = 0;
    for (const QByteArray& c : counts) {
        most = std::max(most, c.trimmed().toInt());
    }
    EXPECT_GE(most, 1);
    EXPECT_LE(most, 4);
    EXPECT_EQ(runner.queue().mostRunning(), 4);
    ASSERT_FALSE(dropped.isEmpty());
    EXPECT_EQ(dropped.last()[0].value<std::uint64_t>(), 80u);
    EXPECT_EQ(runner.queue().dropped(), 80u);
}

// A command that hangs is killed at the limit (here a short one), together with what it
// started; the status bar learns how it ended.
TEST_F(AlarmCommand, AHangingCommandIsKilledAtTheLimitWithWhatItStarted) {
    const QString s = script(QStringLiteral("hang.sh"), "sleep 600 &\n"
                                                        "echo $! > \"$1/child\"\n"
                                                        "wait\n");
    CommandRunner runner(CommandQueue::Limits{4, 16, 300});
    QSignalSpy failed(&runner, &CommandRunner::failed);
    runner.setCommand(quoted(s) + u' ' + quoted(dir));
    runner.run(alarm(0));
    ASSERT_TRUE(failed.wait(60000));
    EXPECT_EQ(failed[0][0].toString(), "Alarm command " + s + " was killed after 0.3 s");
    const pid_t child = read(QStringLiteral("child")).trimmed().toInt();
    ASSERT_GT(child, 0);
    EXPECT_TRUE(QTest::qWaitFor([child] { return ::kill(child, 0) != 0; }, 20000))
        << "the script's own child is gone too";
    EXPECT_TRUE(idle(runner));
}

TEST_F(AlarmCommand, AFailureSaysItsExitStatusAndFirstErrorLine) {
    const struct {
        QString command;
        QString message;
    } cases[] = {
        {QStringLiteral("/bin/sh -c \"echo no modem >&2; echo second >&2; exit 3\""),
         QStringLiteral("Alarm command /bin/sh failed with exit status 3: no modem")},
        {QStringLiteral("/nonexistent/siren on"),
         QStringLiteral("Alarm command /nonexistent/siren could not be started")},
        {QStringLiteral("/bin/sh -c \"kill -SEGV $$\""),
         QStringLiteral("Alarm command /bin/sh ended abnormally")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.toStdString());
        CommandRunner runner;
        QSignalSpy failed(&runner, &CommandRunner::failed);
        runner.setCommand(c.command);
        runner.run(alarm(1));
        ASSERT_TRUE(failed.wait(20000));
        EXPECT_TRUE(failed[0][0].toString().startsWith(c.message))
            << failed[0][0].toString().toStdString();
        EXPECT_TRUE(idle(runner));
    }
}

// An empty command, or one of blanks and quotes only, runs nothing and says nothing.
TEST_F(AlarmCommand, AnEmptyCommandRunsNothing) {
    for (const char* text : {"", "   ", "\"\""}) {
        CommandRunner runner;
        QSignalSpy failed(&runner, &CommandRunner::failed);
        runner.setCommand(QString::fromLatin1(text));
        runner.run(alarm(1));
        QTest::qWait(50);
        EXPECT_EQ(failed.count(), 0) << text;
    }
}
