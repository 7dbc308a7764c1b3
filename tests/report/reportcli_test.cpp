#include "remote/history/historystore.h"
#include "remote/report/reportcli.h"
#include "remote/report/reportdocument.h"
#include "remote/report/reportsettings.h"

#include "report/pdftools.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlcipher/sqlite3.h>

using namespace remote::report;
using remote::history::AlarmRecord;
using remote::history::HistoryStore;

namespace {

constexpr std::int64_t kNow = 1'798'100'000'000;

struct ReportCli : ::testing::Test {
    QTemporaryDir dir;
    QString history = dir.path() + "/alarm-history.sqlite3";
    QString settings = dir.path() + "/report.ini";
    QString pdf = dir.path() + "/out.pdf";

    int run(QStringList arguments, QString& errors) const {
        arguments.prepend(QStringLiteral("remote"));
        return cli::writeReport(arguments, history, settings, kNow, errors);
    }
    void alarms(std::initializer_list<std::int64_t> times) const {
        HistoryStore store(history.toStdString());
        for (const std::int64_t ms : times) {
            AlarmRecord r{0, ms, 0, 3, "Ext2(Audio) :", std::nullopt, 0};
            store.insert(r);
        }
    }
};

} // namespace

TEST_F(ReportCli, WritesTheRangeAskedWithTheSiteGiven) {
    alarms({kNow - 3 * 86'400'000LL, 1'798'000'000'000, kNow - 1000});
    QString errors;
    ASSERT_EQ(run({"--report", pdf, "--from", "2026-12-23T00:00:00Z", "--to",
                   "2026-12-24T00:00:00Z", "--site", "Warehouse 2"},
                  errors),
              0)
        << errors.toStdString();
    EXPECT_TRUE(errors.isEmpty());
    const QString text = reporttest::pdfText(pdf);
    EXPECT_TRUE(text.contains("Warehouse 2"));
    EXPECT_TRUE(text.contains("2026-12-23T04:26:40.000+00:00")) << text.toStdString();
    EXPECT_EQ(text.count(QRegularExpression("\\d{4}-\\d\\d-\\d\\dT")), 3)
        << "the alarm row and its channel's first and last";
}

TEST_F(ReportCli, WithoutOptionsTheLastDayWithTheSiteAndNotesKept) {
    alarms({kNow - 2 * 86'400'000LL, kNow - 3'600'000});
    ReportSettings kept;
    kept.site = QStringLiteral("Kept site");
    kept.notes = QStringLiteral("Kept notes");
    ASSERT_TRUE(saveReportSettings(settings, kept));
    QString errors;
    ASSERT_EQ(run({"--report", pdf}, errors), 0) << errors.toStdString();
    const QString text = reporttest::pdfText(pdf);
    EXPECT_TRUE(text.contains("Kept site"));
    EXPECT_TRUE(text.contains("Kept notes"));
    EXPECT_EQ(text.count(QRegularExpression("\\d{4}-\\d\\d-\\d\\dT")), 3);
}

TEST_F(ReportCli, BadArgumentsAreRefusedAndNothingIsWritten) {
    const struct {
        QStringList arguments;
        const char* error;
    } cases[] = {
        {{"--report"}, "--report needs a value"},
        {{"--site", "x"}, "--report needs a file"},
        {{"--report", "PDF", "--from", "yesterday"}, "--from: not an ISO 8601 time: yesterday"},
        {{"--report", "PDF", "--colour", "red"}, "unknown option --colour"},
        {{"--report", "PDF", "--from", "2026-12-24", "--to", "2026-12-23"}, "--from is after --to"},
    };
    for (const auto& c : cases) {
        QStringList arguments = c.arguments;
        arguments.replaceInStrings(QStringLiteral("PDF"), pdf);
        QString errors;
        EXPECT_EQ(run(arguments, errors), 2) << c.error;
        EXPECT_EQ(errors.toStdString(), c.error);
        EXPECT_FALSE(QFile::exists(pdf));
    }
}

TEST_F(ReportCli, ANewerHistoryIsRefusedAndNoReportIsMade) {
    alarms({kNow - 1000});
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(history.toUtf8().constData(), &db), SQLITE_OK);
        const std::string later =
            "PRAGMA user_version = " + std::to_string(HistoryStore::kSchemaVersion + 1);
        sqlite3_exec(db, later.c_str(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    QString errors;
    EXPECT_EQ(run({"--report", pdf}, errors), cli::kFailed);
    EXPECT_TRUE(errors.contains("newer version")) << errors.toStdString();
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(ReportCli, NoHistoryYetIsAReportWithoutAlarms) {
    QString errors;
    ASSERT_EQ(run({"--report", pdf}, errors), 0) << errors.toStdString();
    EXPECT_TRUE(reporttest::pdfText(pdf).contains(QString::fromLatin1(kNoAlarms)));
    EXPECT_FALSE(QFile::exists(history)) << "the history is only read";
}

TEST_F(ReportCli, AnUnwritableTargetFailsWithoutAPartialFile) {
    QString errors;
    const QString target = dir.path() + "/no-such-folder/out.pdf";
    EXPECT_EQ(run({"--report", target}, errors), cli::kFailed);
    EXPECT_TRUE(errors.startsWith("cannot write " + target)) << errors.toStdString();
    EXPECT_FALSE(QFile::exists(target));
}
