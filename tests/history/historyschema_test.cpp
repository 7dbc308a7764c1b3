#include "remote/history/historyreader.h"
#include "remote/history/historystore.h"
#include "remote/history/historywriter.h"

#include "history/diskfixtures.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlcipher/sqlite3.h>

#include <sys/stat.h>

using namespace remote::history;

namespace {

// The first released format, as the station wrote it: WAL mode, the alarm table and its
// time index, version 1.
constexpr char kVersionOne[] = "PRAGMA journal_mode=WAL;"
                               "CREATE TABLE alarm ("
                               " id INTEGER PRIMARY KEY,"
                               " utc_ms INTEGER NOT NULL,"
                               " utc_offset_s INTEGER NOT NULL,"
                               " channel INTEGER NOT NULL CHECK (channel BETWEEN 0 AND 8),"
                               " label TEXT NOT NULL,"
                               " detector_clock TEXT);"
                               "CREATE INDEX alarm_time ON alarm (utc_ms);"
                               "PRAGMA user_version = 1;";

struct Schema : ::testing::Test {
    QTemporaryDir dir;
    std::filesystem::path file = (dir.path() + "/history.sqlite3").toStdString();

    void sql(const std::string& statements) const {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        char* message = nullptr;
        const int rc = sqlite3_exec(db, statements.c_str(), nullptr, nullptr, &message);
        const std::string text = message ? message : "";
        sqlite3_free(message);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK) << text;
    }
    std::int64_t scalar(const std::string& query) const {
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, query.c_str(), -1, &s, nullptr);
        const std::int64_t value = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
        sqlite3_finalize(s);
        sqlite3_close(db);
        return value;
    }
    // A version-1 file of n alarms; returns them as a reader of either version sees them.
    std::vector<AlarmRecord> versionOneFile(int n) const {
        sql(kVersionOne);
        std::string inserts = "BEGIN;";
        std::vector<AlarmRecord> rows;
        for (int i = 0; i < n; ++i) {
            AlarmRecord r{i + 1,
                          1'798'000'000'000 + 1000LL * (n - i), // stored newest first
                          3600,
                          i % 9,
                          i % 2 ? "Ext1(CH1) :" : "탐지 '" + std::to_string(i) + "'",
                          i % 3 ? std::optional<std::string>("2026-12-23 05:26:40") : std::nullopt};
            std::string label = r.label;
            for (std::size_t at = 0; (at = label.find('\'', at)) != std::string::npos; at += 2) {
                label.insert(at, 1, '\'');
            }
            inserts += "INSERT INTO alarm VALUES (" + std::to_string(r.id) + "," +
                       std::to_string(r.utcMs) + ",3600," + std::to_string(r.channel) + ",'" +
                       label + "'," + (r.detectorClock ? "'" + *r.detectorClock + "'" : "NULL") +
                       ");";
            rows.push_back(r);
        }
        sql(inserts + "COMMIT;");
        std::sort(rows.begin(), rows.end(),
                  [](const AlarmRecord& a, const AlarmRecord& b) { return a.utcMs < b.utcMs; });
        return rows;
    }
    std::vector<AlarmRecord> readBack() const {
        std::vector<AlarmRecord> rows;
        HistoryReader(file).exportRows({}, [&rows](const AlarmRecord& r) { rows.push_back(r); });
        return rows;
    }
};

} // namespace

TEST_F(Schema, AVersionOneFileIsMigratedKeepingEveryRow) {
    const auto before = versionOneFile(1500);
    // Read as it is, before any migration: every row, no noise counts, no snapshots.
    {
        const HistoryReader reader(file);
        EXPECT_EQ(reader.version(), 1);
        EXPECT_TRUE(reader.snapshots({}).empty());
    }
    EXPECT_EQ(readBack(), before);

    {
        HistoryStore store(file);
        EXPECT_EQ(store.read({}), before);
        AlarmRecord noisy{0, 1'799'000'000'000, 0, 4, "Ext3(Video) :", std::nullopt, 77};
        store.insert(noisy);
        SettingsSnapshot snapshot;
        snapshot.utcMs = 1'799'000'000'000;
        snapshot.detectorId = "QND-000001";
        store.insertSnapshot(snapshot);
        EXPECT_EQ(store.read({}).back().droppedBytes, 77u);
    }
    EXPECT_EQ(scalar("PRAGMA user_version"), HistoryStore::kSchemaVersion);
    EXPECT_EQ(scalar("SELECT count(*) FROM alarm"), 1501);
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlite_master WHERE name = 'alarm_time'"), 1);
    // Opened again: nothing to migrate, nothing lost.
    {
        HistoryStore again(file);
        EXPECT_EQ(again.read({}).size(), 1501u);
        EXPECT_EQ(again.snapshots({}).size(), 1u);
    }
    auto after = readBack();
    ASSERT_EQ(after.size(), 1501u);
    after.pop_back();
    EXPECT_EQ(after, before);
}

TEST_F(Schema, AMigrationThatFailsLeavesTheOldFileAsItWas) {
    const auto before = versionOneFile(20);
    // A table in the way of the new one: the migration cannot complete.
    sql("CREATE TABLE settings_snapshot (x);");
    EXPECT_THROW(HistoryStore{file}, HistoryError);
    EXPECT_EQ(scalar("PRAGMA user_version"), 1);
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlite_master WHERE name = 'alarm' AND sql LIKE "
                     "'%dropped_bytes%'"),
              0);
    EXPECT_EQ(readBack(), before);
}

namespace {

struct NewerFile : Schema, ::testing::WithParamInterface<const char*> {};

} // namespace

TEST_P(NewerFile, IsRefusedWithAClearMessageAndLeftUntouched) {
    {
        HistoryStore made(file);
        AlarmRecord r{0, 5, 0, 1, "x", std::nullopt, 3};
        made.insert(r);
    }
    sql(std::string("PRAGMA journal_mode=") + GetParam() +
        "; PRAGMA user_version = " + std::to_string(HistoryStore::kSchemaVersion + 1) + ";");
    ::chmod(file.c_str(), 0644);
    const auto before = historytest::listing(dir.path().toStdString());

    try {
        HistoryStore newer(file);
        ADD_FAILURE() << "a newer file was opened for writing";
    } catch (const HistoryError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("newer version"), std::string::npos) << what;
        EXPECT_NE(what.find("left unchanged"), std::string::npos) << what;
    }
    EXPECT_THROW(HistoryReader{file}, HistoryError);
    HistoryWriter writer(file);
    EXPECT_FALSE(writer.open());
    writer.record(AlarmRecord{0, 9, 0, 2, "y", std::nullopt}, {});
    EXPECT_NE(writer.problem().find("newer version"), std::string::npos) << writer.problem();
    EXPECT_EQ(historytest::listing(dir.path().toStdString()), before)
        << "bytes, modes and times as they were; nothing made beside the file";
}

INSTANTIATE_TEST_SUITE_P(JournalModes, NewerFile, ::testing::Values("DELETE", "WAL"));

TEST_F(Schema, SnapshotsInForceDuringARangeAndTheirFieldsRoundTrip) {
    HistoryStore store(file);
    SettingsSnapshot full;
    full.utcMs = 1000;
    full.utcOffsetSeconds = -3600;
    full.detectorId = "QND-A1\x01\xff";
    full.serial = "12345678";
    full.rfTime = "30";
    full.channelTimes = {"1", "2", "3", "4", "5", "6", "7", "8", "255"};
    full.repeatTime = "24";
    full.laser = {"0.01", "0.02", "0.03", "0.04", "0.05", "0.06", "7", "8"};
    full.switches = 0b0101;
    for (const std::int64_t at : {1000, 2000, 3000, 4000}) {
        SettingsSnapshot s = full;
        s.utcMs = at;
        s.rfTime = std::to_string(at);
        store.insertSnapshot(s);
        EXPECT_GT(s.id, 0);
    }
    HistoryFilter range;
    range.from = 2500;
    range.to = 4000;
    const auto inForce = store.snapshots(range);
    ASSERT_EQ(inForce.size(), 2u); // the one set before the range, and the one inside
    EXPECT_EQ(inForce[0].utcMs, 2000);
    EXPECT_EQ(inForce[1].utcMs, 3000);
    SettingsSnapshot expected = full;
    expected.id = inForce[1].id;
    expected.utcMs = 3000;
    expected.rfTime = "3000";
    EXPECT_EQ(inForce[1], expected);
    // The read-only reader sees the same.
    const HistoryReader reader(file);
    EXPECT_EQ(reader.snapshots(range), inForce);
    range.from = 0;
    range.to = 500;
    EXPECT_TRUE(store.snapshots(range).empty());
}
