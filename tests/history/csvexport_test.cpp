#include "remote/history/csvexport.h"
#include "remote/history/historycli.h"
#include "remote/history/historystore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

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

TEST(Csv, OneCrLfLinePerAlarmWithIsoTimes) {
    std::ostringstream out;
    CsvWriter csv(out);
    csv.write(AlarmRecord{1, 0, 3600, 5, "Ext4(Digital) :", std::nullopt});
    csv.write(AlarmRecord{2, 1500, -3600, 1, "Laser, \"Beam\"", "2024-05-01 12:30:05"});
    EXPECT_EQ(out.str(), "time,channel,label,detector_clock\r\n"
                         "1970-01-01T01:00:00.000+01:00,5,Ext4(Digital) :,\r\n"
                         "1969-12-31T23:00:01.500-01:00,1,\"Laser, \"\"Beam\"\"\","
                         "2024-05-01 12:30:05\r\n");
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
        return historycli::exportHistory(args, history, errors);
    }
    std::string output() const {
        std::ifstream in(out.toStdString(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

} // namespace

TEST_F(CliExport, WritesTheRangeAsked) {
    QString errors;
    EXPECT_TRUE(historycli::wantsExport({"remote", "--export-history", "x"}));
    EXPECT_FALSE(historycli::wantsExport({"remote"}));
    ASSERT_EQ(run({"--export-history", out, "--from", "1970-01-02", "--to", "1970-01-04T00:00:00Z"},
                  errors),
              0)
        << errors.toStdString();
    EXPECT_EQ(output(), "time,channel,label,detector_clock\r\n"
                        "1970-01-02T00:00:00.000+00:00,1,plain,\r\n"
                        "1970-01-03T00:00:00.000+00:00,2,\"a,\"\"b\"\"\",\r\n");
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
    EXPECT_EQ(output(), "time,channel,label,detector_clock\r\n");
    EXPECT_FALSE(QFile::exists(history));
}
