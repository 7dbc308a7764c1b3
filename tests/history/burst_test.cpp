#include "remote/history/historystore.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

using namespace remote::history;

// The helper writes alarms as fast as it can and reports each one once its tick has
// returned; killed with SIGKILL in the middle of a burst, every reported alarm must be in
// the file.
TEST(HistoryBurst, SigkillLosesNoAlarmThatWasShown) {
    QTemporaryDir dir;
    const QString file = dir.path() + "/history.sqlite3";
    QProcess helper;
    helper.start(QStringLiteral(BURST_HELPER), {file});
    ASSERT_TRUE(helper.waitForStarted(30000));

    std::set<std::int64_t> reported;
    QByteArray pending;
    while (reported.size() < 500 && helper.state() == QProcess::Running) {
        helper.waitForReadyRead(30000);
        pending += helper.readAllStandardOutput();
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            reported.insert(pending.left(end).toLongLong());
            pending.remove(0, end + 1);
        }
    }
    helper.kill(); // SIGKILL
    ASSERT_TRUE(helper.waitForFinished(30000));
    EXPECT_EQ(helper.exitStatus(), QProcess::CrashExit);
    ASSERT_GE(reported.size(), 500u) << helper.readAllStandardError().toStdString();

    const HistoryStore store(file.toStdString());
    std::set<std::int64_t> stored;
    store.read(HistoryFilter{}, [&stored](const AlarmRecord& r) { stored.insert(r.id); });
    for (const std::int64_t id : reported) {
        EXPECT_TRUE(stored.count(id)) << "alarm " << id << " was shown but is lost";
    }
}
