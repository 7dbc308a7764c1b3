#include "remote/history/historylog.h"
#include "remote/history/historystore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

#include <sqlcipher/sqlite3.h>

using namespace remote::history;

namespace {

AlarmRecord alarm(std::int64_t ms, int channel, std::optional<std::string> clock = {}) {
    return AlarmRecord{
        0, ms, 3600, channel, kChannelLabels[static_cast<std::size_t>(channel)], std::move(clock)};
}

struct StoreFile : ::testing::Test {
    QTemporaryDir dir;
    std::filesystem::path path() const { return (dir.path() + "/history.sqlite3").toStdString(); }
};

} // namespace

TEST_F(StoreFile, KeepsEveryFieldAcrossReopening) {
    std::vector<AlarmRecord> written{alarm(1000, 0), alarm(2000, 8, "2024-05-01 12:30:05"),
                                     alarm(1500, 3, std::string())};
    {
        HistoryStore store(path());
        for (AlarmRecord& r : written) {
            store.insert(r);
            EXPECT_GT(r.id, 0);
        }
    }
    const HistoryStore store(path());
    const auto rows = store.read(HistoryFilter{});
    ASSERT_EQ(rows.size(), 3u);
    // Oldest first, whatever the order of insertion.
    EXPECT_EQ(rows[0], written[0]);
    EXPECT_EQ(rows[1], written[2]);
    EXPECT_EQ(rows[2], written[1]);
}

TEST_F(StoreFile, FiltersByHalfOpenRangeAndChannels) {
    HistoryStore store(path());
    for (int i = 0; i < 18; ++i) {
        AlarmRecord r = alarm(i * 100, i % 9);
        store.insert(r);
    }
    struct Case {
        HistoryFilter filter;
        std::size_t count;
    };
    const Case cases[] = {
        {{}, 18},
        {{500, std::nullopt, 0x1ff}, 13},
        {{std::nullopt, 500, 0x1ff}, 5},
        {{500, 600, 0x1ff}, 1},
        {{std::nullopt, std::nullopt, 1u << 8}, 2},
        {{std::nullopt, std::nullopt, 0}, 0},
        {{1000, 900, 0x1ff}, 0},
    };
    for (const Case& c : cases) {
        const auto rows = store.read(c.filter);
        EXPECT_EQ(rows.size(), c.count);
        for (const AlarmRecord& r : rows) {
            EXPECT_TRUE(c.filter.accepts(r));
        }
    }
}

TEST_F(StoreFile, UsesWriteAheadLoggingAndRefusesBadChannels) {
    HistoryStore store(path());
    AlarmRecord r = alarm(1, 0);
    store.insert(r);
    EXPECT_TRUE(std::filesystem::exists(path().string() + "-wal"));
    for (int channel : {-1, 9, 1000}) {
        AlarmRecord bad = alarm(1, 0);
        bad.channel = channel;
        EXPECT_THROW(store.insert(bad), HistoryError);
    }
    EXPECT_EQ(store.read(HistoryFilter{}).size(), 1u);
}

TEST_F(StoreFile, RefusesDamagedForeignAndNewerFiles) {
    {
        std::ofstream garbage(path(), std::ios::binary);
        for (int i = 0; i < 4096; ++i) {
            garbage.put(static_cast<char>(i * 37));
        }
    }
    EXPECT_THROW(HistoryStore{path()}, HistoryError);

    std::filesystem::remove(path());
    { HistoryStore created(path()); }
    {
        // A later version's schema is left alone rather than misread.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path().c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version = 2", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    try {
        HistoryStore newer(path());
        ADD_FAILURE() << "a newer schema was opened";
    } catch (const HistoryError& e) {
        EXPECT_NE(std::string(e.what()).find("newer"), std::string::npos);
    }
    EXPECT_THROW(HistoryStore{dir.path().toStdString()}, HistoryError); // a folder
}

TEST_F(StoreFile, ADamagedFileIsReportedOnceAndTheStationRunsOn) {
    {
        std::ofstream garbage(path(), std::ios::binary);
        garbage << std::string(8192, 'x');
    }
    HistoryLog log;
    int problems = 0;
    int stored = 0;
    QObject::connect(&log, &HistoryLog::problemFound, [&problems] { ++problems; });
    QObject::connect(&log, &HistoryLog::alarmStored, [&stored] { ++stored; });
    EXPECT_FALSE(log.open(QString::fromStdString(path().string())));
    EXPECT_FALSE(log.available());
    log.record(alarm(1, 1));
    log.record(alarm(2, 2));
    EXPECT_EQ(problems, 1);
    EXPECT_EQ(stored, 0);
    EXPECT_TRUE(log.problem().startsWith("Alarm history off: "));
    // The file is left as it was for the operator to look at.
    EXPECT_EQ(std::filesystem::file_size(path()), 8192u);
}

TEST_F(StoreFile, AnUnwritableFolderIsReportedOnce) {
    QFile blocker(dir.path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    HistoryLog log;
    int problems = 0;
    QObject::connect(&log, &HistoryLog::problemFound, [&problems] { ++problems; });
    EXPECT_FALSE(log.open(dir.path() + "/file/sub/history.sqlite3"));
    log.record(alarm(1, 1));
    EXPECT_EQ(problems, 1);
}

TEST_F(StoreFile, HistoryLogCreatesItsFolderAndTellsTheWindows) {
    HistoryLog log;
    int stored = 0;
    QObject::connect(&log, &HistoryLog::alarmStored, [&stored] { ++stored; });
    ASSERT_TRUE(log.open(dir.path() + "/a/b/history.sqlite3"));
    log.record(alarm(5, 4));
    ASSERT_EQ(stored, 1);
    EXPECT_EQ(log.store()->read(HistoryFilter{}).size(), 1u);
}
