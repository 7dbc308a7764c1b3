// The alarm history when the disk misbehaves: a full disk, a read-only file system, a
// damaged file, a failing checkpoint. Real files on a small file system of their own.
#include "history/diskfixtures.h"
#include "remote/history/historylog.h"
#include "remote/history/historyreader.h"
#include "remote/history/historywriter.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

#include <atomic>

using namespace remote::history;
using historytest::DiskFiller;
using historytest::ScratchDisk;
using remote::link::protocol::AlarmChannelLabels;

namespace {

AlarmRecord alarm(int n, std::string label = {}) {
    return AlarmRecord{0,
                       1'798'000'000'000 + n * 1000LL,
                       3600,
                       n % kChannelCount,
                       label.empty()
                           ? AlarmChannelLabels[static_cast<std::size_t>(n % kChannelCount)]
                           : std::move(label),
                       "2026-12-23 05:26:40"};
}

// The log's signals as they came, for the order of events.
struct Watch {
    std::vector<AlarmRecord> stored;
    QStringList problems;
    QStringList statuses;

    explicit Watch(HistoryLog& log) {
        QObject::connect(&log, &HistoryLog::alarmStored,
                         [this](const AlarmRecord& r) { stored.push_back(r); });
        QObject::connect(&log, &HistoryLog::problemFound,
                         [this](const QString& text) { problems << text; });
        QObject::connect(&log, &HistoryLog::statusChanged,
                         [this](const QString& text) { statuses << text; });
    }
};

// Times and labels of the stored rows, in the order the file holds them (by id).
std::vector<std::pair<std::int64_t, std::string>> inFile(const std::filesystem::path& file) {
    std::vector<std::pair<std::int64_t, std::string>> rows;
    const HistoryReader reader(file);
    reader.scan({}, [&rows](const AlarmRecord& r) { rows.emplace_back(r.utcMs, r.label); });
    return rows;
}

struct SmallDisk : ::testing::Test {
    QTemporaryDir dir;
    ScratchDisk disk{(dir.path() + "/disk").toStdString(), 1 << 20};
    std::filesystem::path file = disk.folder() / "history.sqlite3";
};

} // namespace

TEST_F(SmallDisk, AlarmsRaisedWhileTheDiskIsFullWaitAndAreStoredInOrderWhenSpaceReturns) {
    std::vector<AlarmRecord> raised;
    std::optional<DiskFiller> filler;
    {
        HistoryLog log;
        Watch watch(log);
        ASSERT_TRUE(log.open(QString::fromStdString(file.string())));
        int n = 0;
        for (; n < 3; ++n) {
            raised.push_back(alarm(n));
            log.record(raised.back());
        }
        filler.emplace(disk, std::vector{file, std::filesystem::path(file.string() + "-wal")});
        // The log may still reuse room it has; alarms go on until one has to wait.
        while (log.waiting() == 0 && n < 5000) {
            raised.push_back(alarm(n++));
            log.record(raised.back());
        }
        ASSERT_GT(log.waiting(), 0u) << "the disk never filled";
        for (int i = 0; i < 60; ++i) {
            raised.push_back(alarm(n++));
            log.record(raised.back());
        }
        EXPECT_GT(log.waiting(), 0u);
        EXPECT_TRUE(log.retrying());
        ASSERT_EQ(watch.problems.size(), 1) << watch.problems.join('\n').toStdString();
        EXPECT_TRUE(watch.problems[0].startsWith("Alarm history not written: disk full, "))
            << watch.problems[0].toStdString();
        EXPECT_TRUE(log.problem().contains(
            QRegularExpression("^Alarm history not written: disk full, \\d+ alarms waiting$")))
            << log.problem().toStdString();
        EXPECT_EQ(watch.stored.size() + log.waiting(), raised.size()) << "none was dropped";

        filler->free();
        log.retry();
        EXPECT_EQ(log.waiting(), 0u);
        EXPECT_TRUE(log.problem().isEmpty());
        EXPECT_FALSE(log.retrying());
        EXPECT_TRUE(watch.statuses.last().startsWith("Alarm history written again: "))
            << watch.statuses.last().toStdString();
        // Every alarm reached the windows, once, in the order raised.
        ASSERT_EQ(watch.stored.size(), raised.size());
        for (std::size_t i = 0; i < raised.size(); ++i) {
            EXPECT_EQ(watch.stored[i].utcMs, raised[i].utcMs) << i;
            EXPECT_GT(watch.stored[i].id, i == 0 ? 0 : watch.stored[i - 1].id) << i;
        }
        // A later alarm goes straight in.
        raised.push_back(alarm(n++));
        log.record(raised.back());
        EXPECT_EQ(watch.stored.size(), raised.size());
    }
    const auto rows = inFile(file);
    ASSERT_EQ(rows.size(), raised.size());
    for (std::size_t i = 0; i < raised.size(); ++i) {
        EXPECT_EQ(rows[i].first, raised[i].utcMs) << i;
    }
}

TEST_F(SmallDisk, AReadOnlyFileSystemKeepsAlarmsWaitingUntilItCanBeWrittenAgain) {
    {
        HistoryLog first;
        ASSERT_TRUE(first.open(QString::fromStdString(file.string())));
        first.record(alarm(0));
    }
    const bool remounted = disk.mounted() && disk.setReadOnly(true);
    if (!remounted) {
        if (::geteuid() == 0) {
            GTEST_SKIP() << "no file system can be made read-only here";
        }
        ::chmod(file.c_str(), 0400);
    }
    HistoryLog log;
    Watch watch(log);
    EXPECT_FALSE(log.open(QString::fromStdString(file.string())));
    EXPECT_EQ(log.problem(), "Alarm history not written: read-only");
    for (int n = 1; n <= 5; ++n) {
        log.record(alarm(n));
    }
    EXPECT_EQ(log.problem(), "Alarm history not written: read-only, 5 alarms waiting");
    EXPECT_EQ(watch.problems.size(), 1) << "a problem is reported once, then updated";
    EXPECT_EQ(watch.statuses.last(), log.problem());
    EXPECT_TRUE(watch.stored.empty());
    log.retry();
    EXPECT_EQ(log.waiting(), 5u);

    if (remounted) {
        ASSERT_TRUE(disk.setReadOnly(false));
    } else {
        ::chmod(file.c_str(), 0600);
    }
    log.retry();
    EXPECT_TRUE(log.available());
    EXPECT_EQ(log.waiting(), 0u);
    EXPECT_EQ(watch.statuses.last(), "Alarm history written again: 5 waiting alarms stored");
    ASSERT_EQ(watch.stored.size(), 5u);
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(watch.stored[static_cast<std::size_t>(n - 1)].utcMs, alarm(n).utcMs);
    }
    EXPECT_EQ(log.store()->read(HistoryFilter{}).size(), 6u);
}

TEST(HistoryQueue, OnlyAnOverflowingQueueDropsAndThenTheOldestAreCounted) {
    QTemporaryDir dir;
    // The file's folder is a file: nothing can be opened until it is moved away.
    const QString blocker = dir.path() + "/data";
    QFile(blocker).open(QIODevice::WriteOnly);
    HistoryLog log;
    Watch watch(log);
    EXPECT_FALSE(log.open(blocker + "/history.sqlite3"));
    EXPECT_TRUE(log.problem().startsWith("Alarm history not written: cannot create the folder "))
        << log.problem().toStdString();
    const int total = static_cast<int>(HistoryWriter::kQueueLimit) + 25;
    for (int n = 0; n < total; ++n) {
        log.record(alarm(n));
    }
    EXPECT_EQ(log.waiting(), HistoryWriter::kQueueLimit);
    EXPECT_TRUE(log.problem().endsWith(", 10000 alarms waiting, 25 oldest lost"))
        << log.problem().toStdString();

    QFile::remove(blocker);
    log.retry();
    EXPECT_EQ(watch.statuses.last(),
              "Alarm history written again: 10000 waiting alarms stored, 25 lost");
    ASSERT_EQ(watch.stored.size(), HistoryWriter::kQueueLimit);
    EXPECT_EQ(watch.stored.front().utcMs, alarm(25).utcMs) << "the oldest went first";
    EXPECT_EQ(watch.stored.back().utcMs, alarm(total - 1).utcMs);
    EXPECT_EQ(log.store()->read(HistoryFilter{}).size(), HistoryWriter::kQueueLimit);
    log.record(alarm(total));
    EXPECT_TRUE(log.problem().isEmpty()) << "the loss is told once, not for ever";
}

TEST(HistoryQueue, ItsRetryIsDrivenFromOutsideAndTheTimerOnlyRunsWhileAlarmsWait) {
    QTemporaryDir dir;
    const std::filesystem::path file = (dir.path() + "/history.sqlite3").toStdString();
    HistoryWriter writer(file);
    ASSERT_TRUE(writer.open());
    EXPECT_FALSE(writer.needsRetry());
    std::vector<std::int64_t> stored;
    const auto keep = [&stored](const AlarmRecord& r) { stored.push_back(r.utcMs); };
    writer.record(alarm(1), keep);
    // Out-of-range channels are no alarm: refused without blocking the queue.
    AlarmRecord bad = alarm(2);
    bad.channel = 42;
    writer.record(bad, keep);
    writer.record(alarm(3), keep);
    EXPECT_EQ(stored, (std::vector<std::int64_t>{alarm(1).utcMs, alarm(3).utcMs}));
    EXPECT_FALSE(writer.needsRetry());
    EXPECT_EQ(writer.problem(), "");
}

TEST(HistorySalvage, ADamagedFileIsSetAsideAndItsReadableRowsCopiedInOrder) {
    QTemporaryDir dir;
    const std::filesystem::path file = (dir.path() + "/history.sqlite3").toStdString();
    constexpr int kRows = 3000;
    {
        HistoryStore store(file);
        std::vector<AlarmRecord> rows;
        for (int n = 0; n < kRows; ++n) {
            rows.push_back(alarm(n, "Label " + std::to_string(n)));
        }
        store.insertAll(rows);
    }
    ASSERT_FALSE(std::filesystem::exists(file.string() + "-wal"));
    const std::size_t lost = historytest::damageTableLeaves(file, 3);
    ASSERT_GT(lost, 30u);
    const std::string damagedBytes = historytest::readAll(file);

    HistoryLog log;
    Watch watch(log);
    ASSERT_TRUE(log.open(QString::fromStdString(file.string())));
    EXPECT_TRUE(watch.problems.empty());

    // Set aside under a dated name, byte for byte, beside the new file.
    std::vector<std::filesystem::path> aside;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
        const std::string name = entry.path().filename().string();
        if (QRegularExpression("^history\\.sqlite3\\.damaged-\\d{8}-\\d{6}$")
                .match(QString::fromStdString(name))
                .hasMatch()) {
            aside.push_back(entry.path());
        }
    }
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(historytest::readAll(aside[0]), damagedBytes);
    ASSERT_FALSE(watch.statuses.isEmpty());
    EXPECT_EQ(watch.statuses.first().toStdString(),
              "Alarm history was damaged and is set aside as " + aside[0].filename().string() +
                  ": " + std::to_string(kRows - lost) + " alarms kept, " + std::to_string(lost) +
                  " could not be read");

    // The rows that could be read, in their order, and the new file takes alarms.
    const auto kept = log.store()->read(HistoryFilter{});
    ASSERT_EQ(kept.size(), kRows - lost);
    for (std::size_t i = 1; i < kept.size(); ++i) {
        EXPECT_LT(kept[i - 1].utcMs, kept[i].utcMs);
        EXPECT_EQ(kept[i].label,
                  "Label " + std::to_string((kept[i].utcMs - alarm(0).utcMs) / 1000));
    }
    log.record(alarm(kRows));
    EXPECT_EQ(watch.stored.size(), 1u);
    EXPECT_EQ(historytest::modeOf(file), 0600u);
}

TEST(HistorySalvage, AFileThatIsNoDatabaseAtAllIsSetAsideWithNothingKept) {
    QTemporaryDir dir;
    const std::filesystem::path file = (dir.path() + "/history.sqlite3").toStdString();
    std::ofstream(file, std::ios::binary) << std::string(8192, 'x');
    HistoryWriter writer(file, {}, [] { return std::string("20261210-153000"); });
    ASSERT_TRUE(writer.open());
    EXPECT_EQ(writer.takeNotice(), "Alarm history was damaged and is set aside as "
                                   "history.sqlite3.damaged-20261210-153000: 0 alarms kept, an "
                                   "unknown number could not be read");
    EXPECT_EQ(historytest::readAll(file.string() + ".damaged-20261210-153000"),
              std::string(8192, 'x'));
    // A second damage in the same second takes the next free name.
    writer.close();
    std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(8192, 'y');
    ASSERT_TRUE(writer.open());
    EXPECT_EQ(historytest::readAll(file.string() + ".damaged-20261210-153000-2"),
              std::string(8192, 'y'));
}

TEST_F(SmallDisk, ACheckpointThatFailsIsReportedOnceWithItsCause) {
    std::atomic<int> reports = 0;
    std::string reason;
    HistoryStoreOptions options;
    options.checkpointInterval = std::chrono::hours(1); // only when the test asks
    options.checkpointFailed = [&](const HistoryError& e) {
        reason = e.reason();
        ++reports;
    };
    std::optional<HistoryStore> store(std::in_place, file, options);
    // Rows that need new pages in the file when the log is folded back.
    for (int n = 0; n < 40; ++n) {
        AlarmRecord r = alarm(n, std::string(3000, 'a'));
        store->insert(r);
    }
    DiskFiller filler(disk, {file});
    store->checkpoint();
    store->checkpoint();
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(reason, "disk full");
    filler.free();
    store->checkpoint();
    store.reset();
    EXPECT_EQ(inFile(file).size(), 40u);
    EXPECT_EQ(reports, 1);
}

TEST_F(SmallDisk, TheStatusBarHearsOfAFailedCheckpointFromItsThread) {
    if (!disk.mounted()) {
        GTEST_SKIP() << "needs a disk of its own to fill";
    }
    HistoryLog log;
    Watch watch(log);
    ASSERT_TRUE(log.open(QString::fromStdString(file.string())));
    int n = 0;
    for (; n < 40; ++n) {
        log.record(alarm(n, std::string(3000, 'a')));
    }
    DiskFiller filler(disk, {});
    // Each new alarm needs a page the file has no room to take when the log is folded
    // back; whatever the log could still take meanwhile, a checkpoint has to fail.
    const auto failed = [&] {
        if (n < 2000) {
            log.record(alarm(n++, std::string(3000, 'a')));
        }
        return watch.statuses.contains("Alarm history checkpoint failed: disk full");
    };
    EXPECT_TRUE(QTest::qWaitFor(failed, 60'000)) << watch.statuses.join('\n').toStdString();
}
