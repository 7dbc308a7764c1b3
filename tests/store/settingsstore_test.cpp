#include "remote/store/settingslocation.h"
#include "remote/store/settingsstore.h"
#include "remote/store/storeerror.h"
#include "settingsfile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace {

using remote::store::SettingsStore;
using remote::store::StoreError;
using storetest::makeSettingsFile;
using storetest::settingsRows;
using Rows = std::vector<std::vector<std::string>>;

std::string fileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    storetest::ScratchFolder folder;
    std::filesystem::path file = folder / "Kvrset.mdb";
};

TEST_F(SettingsStoreTest, TheDeliveredFileIsKeyedAndHoldsComOneAtNineThousandSixHundred) {
    const std::filesystem::path delivered =
        std::filesystem::path(TEST_BINARY_DIR) / "bin" / "Kvrset.mdb";
    ASSERT_TRUE(std::filesystem::exists(delivered)) << "the build makes it beside the program";
    EXPECT_NE(fileBytes(delivered).substr(0, 15), "SQLite format 3") << "stored in the clear";
    std::filesystem::copy_file(delivered, file);

    SettingsStore store(file);
    const auto settings = store.ReadSettings();
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->CommPortNumber, 1);
    EXPECT_EQ(settings->BANDRATE, "9600");
    EXPECT_EQ(settingsRows(file), (Rows{{"1", "9600", "9600"}}));
}

TEST_F(SettingsStoreTest, ASavedRecordIsReadBackByTheNextStart) {
    makeSettingsFile(file, {"1, '9600', '9600'"});
    {
        SettingsStore store(file);
        const auto saved = store.SaveSettings(16, "256000");
        EXPECT_EQ(saved.CommPortNumber, 16);
        EXPECT_EQ(saved.COMSPEED, "9600");
    }
    SettingsStore next(file);
    const auto settings = next.ReadSettings();
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->CommPortNumber, 16);
    EXPECT_EQ(settings->BANDRATE, "256000");
    EXPECT_EQ(settingsRows(file), (Rows{{"16", "256000", "9600"}}));
}

TEST_F(SettingsStoreTest, AnEmptyTableReadsNothingAndTheFirstSaveAppendsTheRecord) {
    makeSettingsFile(file, {});
    SettingsStore store(file);
    EXPECT_TRUE(store.SettingsRecordset().isEmpty());
    EXPECT_FALSE(store.ReadSettings());

    const auto saved = store.SaveSettings(2, " 19200 ");
    EXPECT_EQ(saved.CommPortNumber, 2);
    EXPECT_EQ(saved.COMSPEED, std::nullopt) << "never written, so null";
    EXPECT_FALSE(store.SettingsRecordset().isEmpty());

    store.SaveSettings(3, "4800");
    EXPECT_EQ(settingsRows(file), (Rows{{"3", "4800", "NULL"}})) << "the second save rewrites";
}

TEST_F(SettingsStoreTest, OnlyTheFirstOfSeveralRecordsIsReadAndRewritten) {
    makeSettingsFile(file, {"4, '4800', 'a'", "5, '2400', 'b'", "6, '1200', 'c'"});
    storetest::RawDb(file, "vemqaz").exec("DELETE FROM \"환경설정\" WHERE COMPORT = 4");
    // The oldest remaining row comes first, whatever the values say.
    storetest::RawDb(file, "vemqaz").exec("INSERT INTO \"환경설정\" VALUES (1, '110', 'd')");

    SettingsStore store(file);
    EXPECT_EQ(store.ReadSettings()->CommPortNumber, 5);
    EXPECT_EQ(store.SaveSettings(9, "57600").COMSPEED, "b");
    EXPECT_EQ(settingsRows(file),
              (Rows{{"9", "57600", "b"}, {"6", "1200", "c"}, {"1", "110", "d"}}));
}

TEST_F(SettingsStoreTest, BothConnectionsStayUsableAfterTheSharedOneIsReplaced) {
    makeSettingsFile(file, {"7, '9600', NULL"});
    SettingsStore store(file);
    const auto* first = &store.SharedConnection();
    EXPECT_EQ(first->ConnectionTimeout(), 1);

    store.OpenSharedConnection();
    EXPECT_NE(&store.SharedConnection(), first);
    EXPECT_EQ(store.SharedConnection().ConnectionTimeout(), 5);
    EXPECT_EQ(&store.SettingsRecordset().connection(), first) << "the recordset keeps it alive";

    const auto saved = store.SaveSettings(8, "9600");
    EXPECT_EQ(saved.CommPortNumber, 8);
    EXPECT_EQ(saved.COMSPEED, std::nullopt);
}

TEST_F(SettingsStoreTest, ARecordWithoutTheSecondSpeedColumnStillSaves) {
    makeSettingsFile(file, {"1, '9600'"}, "COMPORT INTEGER, BANDRATE TEXT");
    SettingsStore store(file);
    const auto saved = store.SaveSettings(4, "9600");
    EXPECT_EQ(saved.CommPortNumber, 4);
    EXPECT_EQ(saved.COMSPEED, std::nullopt);
}

// ---- COMPORT as stored, read through the leading-number rule ----

struct PortCase {
    const char* name;
    const char* column; // the COMPORT column's declaration
    const char* stored; // SQL literal
    std::int16_t port;
};

class StoredPortNumber : public ::testing::TestWithParam<PortCase> {};

TEST_P(StoredPortNumber, ReadsAsTheNumberItsTextStartsWith) {
    storetest::ScratchFolder folder;
    const auto file = folder / "Kvrset.mdb";
    makeSettingsFile(file, {std::string(GetParam().stored) + ", '9600', NULL"},
                     std::string("COMPORT ") + GetParam().column +
                         ", BANDRATE TEXT, COMSPEED TEXT");
    SettingsStore store(file);
    const auto settings = store.ReadSettings();
    ASSERT_TRUE(settings) << "a record with this value is still a record";
    EXPECT_EQ(settings->CommPortNumber, GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StoredPortNumber,
    ::testing::Values(
        PortCase{"integer", "INTEGER", "3", 3}, PortCase{"text", "TEXT", "'12'", 12},
        PortCase{"blanksInside", "TEXT", "' 1 2'", 12},
        PortCase{"trailingText", "TEXT", "'4 (USB)'", 4}, PortCase{"noNumber", "TEXT", "'Com4'", 0},
        PortCase{"emptyText", "TEXT", "''", 0}, PortCase{"null", "INTEGER", "NULL", 0},
        PortCase{"halfToEvenDown", "REAL", "2.5", 2}, PortCase{"halfToEvenUp", "REAL", "3.5", 4},
        PortCase{"hexText", "TEXT", "'&H10'", 16}, PortCase{"overflow", "INTEGER", "40000", 0},
        PortCase{"negative", "INTEGER", "-1", -1}, PortCase{"blob", "BLOB", "X'3035'", 5}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Files that cannot be used: the engine's text, and nothing written ----

struct BrokenCase {
    const char* name;
    void (*make)(const std::filesystem::path& file);
    const char* message; // part of the error text: the engine's
    const char* fault;   // what is wrong with the file, in words, after its path
};

void noFile(const std::filesystem::path&) {}
void wrongKey(const std::filesystem::path& f) {
    makeSettingsFile(f, {"1, '9600', NULL"}, "COMPORT, BANDRATE, COMSPEED", "qazvem");
}
void notADatabase(const std::filesystem::path& f) {
    writeBytes(f, std::string(4096, 'x'));
}
void emptyFile(const std::filesystem::path& f) {
    writeBytes(f, "");
}
void damagedPages(const std::filesystem::path& f) {
    makeSettingsFile(f, {"1, '9600', NULL"});
    std::string bytes = fileBytes(f);
    for (std::size_t i = 1024 + 16; i < bytes.size(); i += 7) {
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    }
    writeBytes(f, bytes);
}
void cutShort(const std::filesystem::path& f) {
    makeSettingsFile(f, {"1, '9600', NULL"});
    writeBytes(f, fileBytes(f).substr(0, 1500));
}
void noTable(const std::filesystem::path& f) {
    storetest::RawDb(f, "vemqaz", true).exec("CREATE TABLE other (COMPORT, BANDRATE)");
}
void noSpeedColumn(const std::filesystem::path& f) {
    makeSettingsFile(f, {"1"}, "COMPORT INTEGER");
}
void keyedButNoTable(const std::filesystem::path& f) {
    // A keyed database with a page of its own but nothing in it.
    storetest::RawDb db(f, "vemqaz", true);
    db.exec("CREATE TABLE scratch (x)");
    db.exec("DROP TABLE scratch");
}
void aFolder(const std::filesystem::path& f) {
    std::filesystem::create_directory(f);
}
void aPipe(const std::filesystem::path& f) {
    ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0);
}

class BrokenFile : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenFile, IsRefusedWithTheEnginesTextAndLeftAsItWas) {
    storetest::ScratchFolder folder;
    const auto file = folder / "Kvrset.mdb";
    GetParam().make(file);
    const bool existed = std::filesystem::exists(file);
    // Reading a pipe would wait for a writer: only a regular file's bytes are compared.
    const auto bytesOf = [&] {
        return std::filesystem::is_regular_file(file) ? fileBytes(file) : std::string();
    };
    const std::string before = bytesOf();
    try {
        SettingsStore store(file);
        ADD_FAILURE() << "opened";
    } catch (const StoreError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find(GetParam().message), std::string::npos) << text;
        const std::string lead = file.string() + ": " + GetParam().fault + ".";
        EXPECT_EQ(text.substr(0, lead.size()), lead) << "the file and what is wrong with it";
    }
    EXPECT_EQ(std::filesystem::exists(file), existed) << "the store never creates the file";
    EXPECT_EQ(bytesOf(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BrokenFile,
    ::testing::Values(
        BrokenCase{"missing", noFile, "(unable to open database file)",
                   "the settings file does not exist"},
        BrokenCase{"wrongKey", wrongKey, "(file is encrypted or is not a database)",
                   "the settings file is not a settings database, or its key does not match"},
        BrokenCase{"foreignBytes", notADatabase, "(file is encrypted or is not a database)",
                   "the settings file is not a settings database, or its key does not match"},
        BrokenCase{"emptyFile", emptyFile, "(no such table: 환경설정)",
                   "the settings file is empty"},
        BrokenCase{"damagedPages", damagedPages, "malformed", "the settings file is damaged"},
        BrokenCase{"cutShort", cutShort, "malformed", "the settings file is damaged"},
        BrokenCase{"noTable", noTable, "(no such table: 환경설정)",
                   "the settings file has no table 환경설정"},
        BrokenCase{"keyedButNoTable", keyedButNoTable, "(no such table: 환경설정)",
                   "the settings file has no table 환경설정"},
        BrokenCase{"noSpeedColumn", noSpeedColumn, "(no such column: BANDRATE)",
                   "the settings file's table 환경설정 lacks a column"},
        BrokenCase{"aFolder", aFolder, "(unable to open database file)",
                   "the settings file is a folder"},
        BrokenCase{"aPipe", aPipe, "", "the settings file is not a regular file"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- A save that fails leaves the previous record ----

TEST_F(SettingsStoreTest, AFileLockedByAnotherWriterFailsTheSaveAndKeepsTheRecord) {
    makeSettingsFile(file, {"3, '9600', 'x'"});
    SettingsStore store(file);
    storetest::RawDb other(file, "vemqaz");
    other.exec("BEGIN IMMEDIATE");
    EXPECT_THROW(
        {
            try {
                store.SaveSettings(5, "115200");
            } catch (const StoreError& e) {
                EXPECT_STREQ(e.what(), "database is locked");
                throw;
            }
        },
        StoreError);
    other.exec("ROLLBACK");
    EXPECT_EQ(settingsRows(file), (Rows{{"3", "9600", "x"}}));
    EXPECT_EQ(store.SaveSettings(5, "115200").CommPortNumber, 5) << "the store works on";
}

TEST_F(SettingsStoreTest, AFileHeldExclusivelyCannotBeOpened) {
    makeSettingsFile(file, {"3, '9600', 'x'"});
    storetest::RawDb other(file, "vemqaz");
    other.exec("BEGIN EXCLUSIVE");
    EXPECT_THROW(SettingsStore store(file), StoreError);
}

TEST_F(SettingsStoreTest, AWriteRefusedHalfWayIsUndoneAsAWhole) {
    makeSettingsFile(file, {"3, '9600', 'x'", "4, '300', 'y'"});
    storetest::RawDb(file, "vemqaz")
        .exec("CREATE TRIGGER refuse AFTER UPDATE ON \"환경설정\" WHEN NEW.BANDRATE = '110' "
              "BEGIN UPDATE \"환경설정\" SET COMSPEED = 'changed'; SELECT RAISE(ABORT, 'refused'); "
              "END");
    SettingsStore store(file);
    EXPECT_THROW(store.SaveSettings(6, "110"), StoreError);
    EXPECT_EQ(settingsRows(file), (Rows{{"3", "9600", "x"}, {"4", "300", "y"}}));
}

TEST_F(SettingsStoreTest, AFileInAFolderThatCannotBeWrittenReadsButRefusesTheSave) {
    makeSettingsFile(file, {"3, '9600', 'x'"});
    storetest::ReadOnlyFolder readOnly(folder.path());
    if (!readOnly.ok()) {
        GTEST_SKIP() << "this machine cannot make a folder read-only";
    }
    SettingsStore store(file);
    EXPECT_EQ(store.ReadSettings()->CommPortNumber, 3);
    EXPECT_THROW(store.SaveSettings(5, "4800"), StoreError);
    EXPECT_EQ(store.ReadSettings()->CommPortNumber, 3);
}

// ---- Where the file is used from ----

class SettingsLocationTest : public ::testing::Test {
protected:
    storetest::ScratchFolder root;
    std::filesystem::path program = root / "program";
    std::filesystem::path user = root / "user" / "data";

    void SetUp() override { std::filesystem::create_directories(program); }
};

TEST_F(SettingsLocationTest, AWritableProgramFolderUsesTheDeliveredFile) {
    makeSettingsFile(program / "Kvrset.mdb", {"1, '9600', NULL"});
    const auto location = remote::store::locateSettingsFile(program, user);
    EXPECT_EQ(location.file, program / "Kvrset.mdb");
    EXPECT_FALSE(location.perUserCopy);
    EXPECT_FALSE(std::filesystem::exists(user));
}

TEST_F(SettingsLocationTest, AReadOnlyProgramFolderWorksOnAPerUserCopyMadeOnce) {
    makeSettingsFile(program / "Kvrset.mdb", {"1, '9600', NULL"});
    const std::string delivered = fileBytes(program / "Kvrset.mdb");
    storetest::ReadOnlyFolder readOnly(program);
    if (!readOnly.ok()) {
        GTEST_SKIP() << "this machine cannot make a folder read-only";
    }
    // Made under the most common umask: the user's folder and copy are still private.
    const mode_t umaskBefore = ::umask(022);
    const auto location = remote::store::locateSettingsFile(program, user);
    ::umask(umaskBefore);
    EXPECT_EQ(location.file, user / "Kvrset.mdb");
    EXPECT_TRUE(location.perUserCopy);
    const auto modeOf = [](const std::filesystem::path& p) {
        return std::filesystem::status(p).permissions() & std::filesystem::perms::all;
    };
    EXPECT_EQ(modeOf(user), std::filesystem::perms::owner_all);
    EXPECT_EQ(modeOf(user.parent_path()), std::filesystem::perms::owner_all);
    EXPECT_EQ(modeOf(user / "Kvrset.mdb"),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    {
        SettingsStore store(location.file);
        store.SaveSettings(4, "38400");
    }
    // The user's own settings survive the next start; the delivered file is untouched.
    const auto again = remote::store::locateSettingsFile(program, user);
    EXPECT_EQ(again.file, user / "Kvrset.mdb");
    EXPECT_EQ(SettingsStore(again.file).ReadSettings()->CommPortNumber, 4);
    EXPECT_EQ(fileBytes(program / "Kvrset.mdb"), delivered);
    EXPECT_FALSE(std::filesystem::exists(user / "Kvrset.mdb.partial"));
}

// Installed, the delivered file lies in the data folder instead of beside the program; a
// file beside the program (a build tree, a copied folder) still comes first.
TEST_F(SettingsLocationTest, TheDeliveredFileIsLookedForBesideTheProgramThenInTheDataFolder) {
    const std::filesystem::path data = root / "share" / "remote";
    std::filesystem::create_directories(data);
    using remote::store::deliveredSettingsFolder;
    EXPECT_EQ(deliveredSettingsFolder(program, data), program) << "nowhere: reported at open";
    EXPECT_EQ(deliveredSettingsFolder(program, {}), program);

    makeSettingsFile(data / "Kvrset.mdb", {"1, '9600', NULL"});
    EXPECT_EQ(deliveredSettingsFolder(program, data), data);
    EXPECT_EQ(deliveredSettingsFolder(program, {}), program);

    makeSettingsFile(program / "Kvrset.mdb", {"2, '9600', NULL"});
    EXPECT_EQ(deliveredSettingsFolder(program, data), program);
}

TEST_F(SettingsLocationTest, NothingDeliveredMeansNothingIsMadeUp) {
    storetest::ReadOnlyFolder readOnly(program);
    if (!readOnly.ok()) {
        GTEST_SKIP() << "this machine cannot make a folder read-only";
    }
    const auto location = remote::store::locateSettingsFile(program, user);
    EXPECT_EQ(location.file, program / "Kvrset.mdb");
    EXPECT_THROW(SettingsStore store(location.file), StoreError);
    EXPECT_FALSE(std::filesystem::exists(user / "Kvrset.mdb"));
}

TEST_F(SettingsLocationTest, ACopyThatCannotBeMadeIsReportedWithTheSystemsText) {
    makeSettingsFile(program / "Kvrset.mdb", {"1, '9600', NULL"});
    std::filesystem::create_directories(user.parent_path());
    writeBytes(user, "a file where the folder should be");
    storetest::ReadOnlyFolder readOnly(program);
    if (!readOnly.ok()) {
        GTEST_SKIP() << "this machine cannot make a folder read-only";
    }
    EXPECT_THROW(remote::store::locateSettingsFile(program, user), StoreError);
}

} // namespace
