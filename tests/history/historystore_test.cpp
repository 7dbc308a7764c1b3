#include "remote/history/historylog.h"
#include "remote/history/historystore.h"

#include "history/diskfixtures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

#include <sqlcipher/sqlite3.h>

using namespace remote::history;
using remote::link::protocol::AlarmChannelLabels;

namespace {

AlarmRecord alarm(std::int64_t ms, int channel, std::optional<std::string> clock = {}) {
    return AlarmRecord{0,
                       ms,
                       3600,
                       channel,
                       AlarmChannelLabels[static_cast<std::size_t>(channel)],
                       std::move(clock)};
}

AlarmRecord labelled(std::int64_t ms, int channel, std::string label) {
    return AlarmRecord{0, ms, 3600, channel, std::move(label), std::nullopt};
}

// The rows the database file itself holds, its log ignored.
int rowsInTheFileAlone(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    const std::string uri = "file:" + file.string() + "?immutable=1";
    int rows = -1;
    if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* count = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM alarm", -1, &count, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(count) == SQLITE_ROW) {
            rows = sqlite3_column_int(count, 0);
        }
        sqlite3_finalize(count);
    }
    sqlite3_close(db);
    return rows;
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
        const std::string later =
            "PRAGMA user_version = " + std::to_string(HistoryStore::kSchemaVersion + 1);
        ASSERT_EQ(sqlite3_exec(db, later.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
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

TEST_F(StoreFile, ADamagedFileIsSetAsideAndTheStationRunsOnWithANewOne) {
    {
        std::ofstream garbage(path(), std::ios::binary);
        garbage << std::string(8192, 'x');
    }
    HistoryLog log;
    int problems = 0;
    int stored = 0;
    QStringList statuses;
    QObject::connect(&log, &HistoryLog::problemFound, [&problems] { ++problems; });
    QObject::connect(&log, &HistoryLog::alarmStored, [&stored] { ++stored; });
    QObject::connect(&log, &HistoryLog::statusChanged,
                     [&statuses](const QString& text) { statuses << text; });
    EXPECT_TRUE(log.open(QString::fromStdString(path().string())));
    EXPECT_TRUE(log.available());
    log.record(alarm(1, 1));
    log.record(alarm(2, 2));
    EXPECT_EQ(problems, 0);
    EXPECT_EQ(stored, 2);
    ASSERT_EQ(statuses.size(), 1);
    EXPECT_TRUE(statuses[0].startsWith("Alarm history was damaged and is set aside as "
                                       "history.sqlite3.damaged-"))
        << statuses[0].toStdString();
    // The file is kept as it was for the operator to look at.
    const QStringList aside =
        QDir(dir.path()).entryList({"history.sqlite3.damaged-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(QFileInfo(dir.filePath(aside[0])).size(), 8192);
}

TEST_F(StoreFile, ClosingLeavesEveryRowInTheFileAndTheLogEmpty) {
    HistoryStoreOptions options;
    options.checkpointInterval = std::chrono::hours(1); // every row is still in the log
    std::optional<HistoryStore> store(std::in_place, path(), options);
    for (int i = 0; i < 50; ++i) {
        AlarmRecord r = alarm(i, i % 9);
        store->insert(r);
    }
    ASSERT_GT(std::filesystem::file_size(path().string() + "-wal"), 0u);
    // Another connection keeps the engine from folding back and removing the log at
    // close by itself: the store's own checkpoint has to.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "SELECT count(*) FROM alarm", nullptr, nullptr, nullptr),
              SQLITE_OK);
    store.reset();
    std::error_code error;
    const auto wal = std::filesystem::file_size(path().string() + "-wal", error);
    EXPECT_TRUE(error || wal == 0) << wal;
    EXPECT_EQ(rowsInTheFileAlone(path()), 50);
    sqlite3_close(other);
}

TEST_F(StoreFile, TheLogClosesItsFileAsAtShutdown) {
    HistoryLog log;
    ASSERT_TRUE(log.open(QString::fromStdString(path().string())));
    for (int i = 0; i < 3; ++i) {
        log.record(alarm(i, i));
    }
    log.close();
    EXPECT_EQ(log.store(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(path().string() + "-wal"));
    EXPECT_EQ(rowsInTheFileAlone(path()), 3);
}

TEST_F(StoreFile, TheLogIsCutBackOnceItPassesItsBound) {
    HistoryStoreOptions options;
    options.checkpointInterval = std::chrono::hours(1);
    options.walLimit = 64 << 10;
    HistoryStore store(path(), options);
    const auto wal = path().string() + "-wal";
    for (int i = 0; std::filesystem::file_size(wal) <= options.walLimit; ++i) {
        AlarmRecord r = labelled(i, i % 9, std::string(500, 'c'));
        store.insert(r);
    }
    // A reader on the latest rows; the log can still be folded back and cut.
    const auto rows = store.read(HistoryFilter{}).size();
    store.checkpoint();
    EXPECT_LE(std::filesystem::file_size(wal), options.walLimit);
    EXPECT_EQ(store.read(HistoryFilter{}).size(), rows);
}

TEST_F(StoreFile, TheFolderFileLogAndIndexArePrivateWhateverTheUmask) {
    const mode_t saved = ::umask(022);
    {
        HistoryLog log;
        ASSERT_TRUE(log.open(dir.path() + "/a/b/history.sqlite3"));
        log.record(alarm(1, 1));
        const std::filesystem::path base = dir.path().toStdString();
        EXPECT_EQ(historytest::modeOf(base / "a"), 0700u);
        EXPECT_EQ(historytest::modeOf(base / "a/b"), 0700u);
        for (const char* name : {"history.sqlite3", "history.sqlite3-wal", "history.sqlite3-shm"}) {
            EXPECT_EQ(historytest::modeOf(base / "a/b" / name), 0600u) << name;
        }
    }
    // A file an older version left readable to others is made private when opened.
    {
        const int fd = ::open(path().c_str(), O_CREAT | O_WRONLY, 0644);
        ::fchmod(fd, 0644);
        ::close(fd);
    }
    { HistoryStore store(path()); }
    EXPECT_EQ(historytest::modeOf(path()), 0600u);
    ::umask(saved);
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
