#include "remote/process/databasememory.h"

#include <sqlcipher/sqlite3.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// One connection on a scratch file, closed at the end.
struct Database {
    explicit Database(const std::filesystem::path& file) {
        EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    }
    ~Database() { sqlite3_close(db); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    int exec(const std::string& sql) const {
        return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    }
    long long scalar(const std::string& sql) const {
        sqlite3_stmt* statement = nullptr;
        long long value = -1;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            value = sqlite3_column_int64(statement, 0);
        }
        sqlite3_finalize(statement);
        return value;
    }

    sqlite3* db = nullptr;
};

// Many more pages than a small cache holds, written and read back through one.
void expectWorkingStore(const std::filesystem::path& file) {
    Database d(file);
    ASSERT_EQ(d.exec("PRAGMA cache_size=10"), SQLITE_OK);
    ASSERT_EQ(d.exec("CREATE TABLE t(n INTEGER, s TEXT)"), SQLITE_OK);
    ASSERT_EQ(d.exec("BEGIN"), SQLITE_OK);
    for (int i = 0; i < 2000; ++i) {
        ASSERT_EQ(d.exec("INSERT INTO t VALUES(" + std::to_string(i) + ", printf('%.500c', 'x'))"),
                  SQLITE_OK);
    }
    ASSERT_EQ(d.exec("COMMIT"), SQLITE_OK);
    EXPECT_GT(d.scalar("PRAGMA page_count"), 200);
    EXPECT_EQ(d.scalar("SELECT sum(n) FROM t"), 1999LL * 2000 / 2);
    EXPECT_EQ(d.scalar("SELECT count(*) FROM t WHERE length(s) = 500"), 2000);
}

// In a process of its own: the setting is the engine's, for the whole process, and only
// taken before the engine starts.
TEST(DatabaseMemory, IsSetBeforeTheEngineStartsAndRefusedOnceItRuns) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("databasememory." + std::to_string(getpid()));
    std::filesystem::create_directories(folder);

    ASSERT_TRUE(remote::process::growPageCachesOnDemand());
    expectWorkingStore(folder / "first.sqlite3");

    EXPECT_FALSE(remote::process::growPageCachesOnDemand()) << "the engine runs already";
    expectWorkingStore(folder / "second.sqlite3");

    std::filesystem::remove_all(folder);
}

} // namespace
