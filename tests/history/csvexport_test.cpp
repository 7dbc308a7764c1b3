#include "history/diskfixtures.h"
#include "remote/history/csvexport.h"
#include "remote/history/historycli.h"
#include "remote/history/historystore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include <sqlcipher/sqlite3.h>

using namespace remote::history;

TEST(Csv, QuotesOnlyWhatNeedsItAndDoublesQuotes) {
    struct Case {
        const char* text;
        const char* field;
    };
    const Case cases[] = {
        {"Ext6 :", "Ext6 :"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"line\nfeed", "\"line\nfeed\""},
        {"Ünïcode, ok", "\"Ünïcode, ok\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CsvWriter::field(c.text), c.field) << c.text;
    }
}

TEST(Csv, CellsASpreadsheetWouldRunAsFormulasAreWrittenAsText) {
    struct Case {
        const char* text;
        const char* field;
    };
    const Case cases[] = {
        {"=1+1", "'=1+1"},
        {"+SUM(A1:A2)", "'+SUM(A1:A2)"},
        {"-2", "'-2"},
        {"@cmd", "'@cmd"},
        {"\tx", "'\tx"},
        {"\rx", "\"'\rx\""},
        {"=HYPERLINK(\"a\",\"b\")", "\"'=HYPERLINK(\"\"a\"\",\"\"b\"\")\""},
        {"=", "'="},
        {"a=b", "a=b"},
        {" =x", " =x"},
        {"Ext1(CH1) :", "Ext1(CH1) :"},
        {"x-1", "x-1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CsvWriter::field(c.text), c.field) << c.text;
    }
    std::ostringstream out;
    CsvWriter csv(out);
    csv.write(AlarmRecord{1, 0, 0, 2, "=cmd|' /C calc'!A0", "-1"});
    EXPECT_EQ(out.str(), "time,channel,label,detector_clock,dropped_bytes\r\n"
                         "1970-01-01T00:00:00.000+00:00,2,'=cmd|' /C calc'!A0,'-1,0\r\n");
    // A time before year 0, from a crafted file, starts with '-' too.
    std::ostringstream ancient;
    CsvWriter(ancient).write(AlarmRecord{1, -63'000'000'000'000, 0, 0, "x", std::nullopt});
    const std::string time = isoLocalTime(-63'000'000'000'000, 0);
    ASSERT_EQ(time[0], '-');
    EXPECT_EQ(ancient.str(),
              "time,channel,label,detector_clock,dropped_bytes\r\n'" + time + ",0,x,,0\r\n");
}

TEST(Csv, OneCrLfLinePerAlarmWithIsoTimes) {
    std::ostringstream out;
    CsvWriter csv(out);
    csv.write(AlarmRecord{1, 0, 3600, 5, "Ext4(Digital) :", std::nullopt});
    csv.write(AlarmRecord{2, 1500, -3600, 1, "Laser, \"Beam\"", "2024-05-01 12:30:05"});
    EXPECT_EQ(out.str(), "time,channel,label,detector_clock,dropped_bytes\r\n"
                         "1970-01-01T01:00:00.000+01:00,5,Ext4(Digital) :,,0\r\n"
                         "1969-12-31T23:00:01.500-01:00,1,\"Laser, \"\"Beam\"\"\","
                         "2024-05-01 12:30:05,0\r\n");
    EXPECT_EQ(csv.rows(), 2u);
}

namespace {

struct CliExport : ::testing::Test {
    QTemporaryDir dir;
    QString history = dir.path() + "/history.sqlite3";
    QString out = dir.path() + "/out.csv";

    void SetUp() override {
        HistoryStore store(history.toStdString());
        for (int i = 0; i < 5; ++i) {
            AlarmRecord r{0, 86'400'000LL * i, 0, i, i == 2 ? "a,\"b\"" : "plain", std::nullopt};
            store.insert(r);
        }
    }
    int run(QStringList args, QString& errors) {
        args.prepend("remote");
        return cli::exportHistory(args, history, errors);
    }
    std::string output() const {
        std::ifstream in(out.toStdString(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

} // namespace

TEST_F(CliExport, WritesTheRangeAsked) {
    QString errors;
    EXPECT_TRUE(cli::wantsExport({"remote", "--export-history", "x"}));
    EXPECT_FALSE(cli::wantsExport({"remote"}));
    ASSERT_EQ(run({"--export-history", out, "--from", "1970-01-02", "--to", "1970-01-04T00:00:00Z"},
                  errors),
              0)
        << errors.toStdString();
    EXPECT_EQ(output(), "time,channel,label,detector_clock,dropped_bytes\r\n"
                        "1970-01-02T00:00:00.000+00:00,1,plain,,0\r\n"
                        "1970-01-03T00:00:00.000+00:00,2,\"a,\"\"b\"\"\",,0\r\n");
    EXPECT_FALSE(QFile::exists(out + ".part"));
}

TEST_F(CliExport, RefusesBadArgumentsWithoutWritingAFile) {
    const QStringList bad[] = {
        {"--export-history"},
        {"--export-history", out, "--from", "soon"},
        {"--export-history", out, "--until", "1970-01-01"},
        {"--from", "1970-01-01"},
    };
    for (const QStringList& args : bad) {
        QString errors;
        EXPECT_EQ(run(args, errors), 2) << args.join(' ').toStdString();
        EXPECT_FALSE(errors.isEmpty());
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST_F(CliExport, ADamagedHistoryFailsAndLeavesNoFile) {
    {
        std::ofstream(history.toStdString(), std::ios::binary | std::ios::trunc)
            << std::string(8192, 'x');
    }
    QFile::remove(history + "-wal");
    QFile::remove(history + "-shm");
    QString errors;
    EXPECT_EQ(run({"--export-history", out}, errors), 1);
    EXPECT_FALSE(errors.isEmpty());
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_FALSE(QFile::exists(out + ".part"));
}

TEST_F(CliExport, NoHistoryYetGivesTheHeaderAndCreatesNothing) {
    history = dir.path() + "/missing.sqlite3";
    QString errors;
    ASSERT_EQ(run({"--export-history", out}, errors), 0);
    EXPECT_EQ(output(), "time,channel,label,detector_clock,dropped_bytes\r\n");
    EXPECT_FALSE(QFile::exists(history));
}

namespace {

// A history in a folder of its own, to be made read-only.
struct ReadOnlyExport : CliExport {
    std::filesystem::path folder = (dir.path() + "/h").toStdString();
    std::filesystem::path view = (dir.path() + "/view").toStdString();

    void SetUp() override { std::filesystem::create_directory(folder); }
    void exportAndCheck(const std::string& expectedRows) {
        historytest::ReadOnlyView readOnly(folder, view);
        const auto before = historytest::listing(readOnly.path());
        history = QString::fromStdString((readOnly.path() / "history.sqlite3").string());
        QString errors;
        ASSERT_EQ(run({"--export-history", out}, errors), 0) << errors.toStdString();
        EXPECT_EQ(output(), "time,channel,label,detector_clock,dropped_bytes\r\n" + expectedRows);
        EXPECT_EQ(historytest::listing(readOnly.path()), before)
            << "the history and its folder are left as they were";
    }
};

} // namespace

TEST_F(ReadOnlyExport, AHistoryInAReadOnlyFolderIsExportedWithoutATrace) {
    {
        HistoryStore store(folder / "history.sqlite3");
        AlarmRecord r{0, 5000, 0, 3, "shut", std::nullopt};
        store.insert(r);
    }
    ASSERT_FALSE(std::filesystem::exists(folder / "history.sqlite3-wal"));
    exportAndCheck("1970-01-01T00:00:05.000+00:00,3,shut,,0\r\n");
}

TEST_F(ReadOnlyExport, RowsOnlyInTheLogAreExportedWithoutCreatingItsIndex) {
    // As a killed station leaves it when the index went elsewhere: the file and a log
    // that holds every row.
    const std::filesystem::path live = (dir.path() + "/live").toStdString();
    std::filesystem::create_directory(live);
    HistoryStoreOptions options;
    options.checkpointInterval = std::chrono::hours(1);
    {
        HistoryStore store(live / "history.sqlite3", options);
        for (int i = 0; i < 3; ++i) {
            AlarmRecord r{0, 1000LL * i, 0, i, "in the log", std::nullopt};
            store.insert(r);
        }
        for (const char* name : {"history.sqlite3", "history.sqlite3-wal"}) {
            std::filesystem::copy_file(live / name, folder / name);
        }
    }
    exportAndCheck("1970-01-01T00:00:00.000+00:00,0,in the log,,0\r\n"
                   "1970-01-01T00:00:01.000+00:00,1,in the log,,0\r\n"
                   "1970-01-01T00:00:02.000+00:00,2,in the log,,0\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "history.sqlite3-shm"));
}

TEST_F(CliExport, ADamagedHistoryExportsEveryReadableRowAndSaysHowManyWereNot) {
    constexpr int kRows = 3000;
    {
        QFile::remove(history);
        HistoryStore store(history.toStdString());
        std::vector<AlarmRecord> rows;
        for (int i = 0; i < kRows; ++i) {
            // Stored out of time order now and then: the export still gives time order.
            const std::int64_t ms = 1000LL * (i % 100 == 0 ? kRows - i : i);
            rows.push_back(AlarmRecord{0, ms, 0, i % 9, "row " + std::to_string(i), std::nullopt});
        }
        store.insertAll(rows);
    }
    const std::size_t lost = historytest::damageTableLeaves(history.toStdString(), 3);
    ASSERT_GT(lost, 0u);
    const auto before = historytest::listing(dir.path().toStdString());
    QString errors;
    EXPECT_EQ(run({"--export-history", out}, errors), cli::kDamaged);
    EXPECT_EQ(errors.toStdString(),
              history.toStdString() + ": damaged: " + std::to_string(lost) +
                  " alarms could not be read; every readable alarm in the range was exported");
    EXPECT_EQ(historytest::listing(dir.path().toStdString()).erase("out.csv"), 1u);
    auto after = historytest::listing(dir.path().toStdString());
    after.erase("out.csv");
    EXPECT_EQ(after, before);

    std::istringstream csv(output());
    std::string line;
    std::getline(csv, line);
    std::size_t rows = 0;
    std::string previous;
    while (std::getline(csv, line)) {
        ++rows;
        const std::string time = line.substr(0, line.find(','));
        EXPECT_LE(previous, time) << "in time order";
        previous = time;
    }
    EXPECT_EQ(rows, kRows - lost);
}

TEST_F(CliExport, AZeroByteHistoryGivesTheHeaderAndStaysZeroBytes) {
    { std::ofstream(history.toStdString(), std::ios::binary | std::ios::trunc); }
    const auto before = historytest::listing(dir.path().toStdString());
    QString errors;
    ASSERT_EQ(run({"--export-history", "-"}, errors), 0) << errors.toStdString();
    EXPECT_EQ(QFileInfo(history).size(), 0);
    EXPECT_EQ(historytest::listing(dir.path().toStdString()), before);
}

TEST_F(CliExport, AFarAwayIdInADamagedFileDoesNotMakeTheExportRunOn) {
    // The last rows name an id near the end of the range, and their page is the damaged
    // one: whatever an id says, the search for readable rows is bounded by the file.
    QFile::remove(history);
    {
        HistoryStore store(history.toStdString());
        std::vector<AlarmRecord> rows;
        for (int i = 0; i < 500; ++i) {
            rows.push_back(AlarmRecord{0, 1000LL * i, 0, i % 9, "row", std::nullopt});
        }
        store.insertAll(rows);
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(history.toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(db, "INSERT INTO alarm VALUES (9223372036854775000, 1, 0, 1, 'far', NULL, 0)",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
    const auto leaves = historytest::tableLeaves(history.toStdString());
    ASSERT_GE(leaves.size(), 3u);
    const std::size_t lost = historytest::damage(history.toStdString(), leaves.back());
    QString errors;
    EXPECT_EQ(run({"--export-history", out}, errors), cli::kDamaged);
    EXPECT_TRUE(errors.contains("could not be read")) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QString(": damaged: %1 alarms could not be read").arg(lost)))
        << errors.toStdString();
    const std::string csv = output();
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'),
              static_cast<std::ptrdiff_t>(1 + 501 - lost));
}
