#include "remote/history/frmhistory.h"
#include "remote/history/historylog.h"
#include "remote/report/frmreport.h"
#include "remote/report/reportsettings.h"

#include "report/pdftools.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace remote::report;

namespace {

struct Settings : ::testing::Test {
    QTemporaryDir dir;
    QString file = dir.path() + "/private/report.ini";
};

unsigned modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

TEST_F(Settings, RoundTripInAPrivateFile) {
    EXPECT_EQ(loadReportSettings(file), ReportSettings{}) << "no file: the defaults";
    ReportSettings s;
    s.printerName = QStringLiteral("Office laser");
    s.page.pageSize = QPageSize(QPageSize::Letter);
    s.page.orientation = QPageLayout::Landscape;
    s.site = QStringLiteral("서울 본사");
    s.notes = QStringLiteral("line one\nline = two; [section]\n#three");
    ASSERT_TRUE(saveReportSettings(file, s));
    EXPECT_EQ(loadReportSettings(file), s);
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(modeOf(dir.path() + "/private"), 0700u);

    s.page.pageSize = QPageSize(QSizeF(100, 150), QPageSize::Millimeter);
    ASSERT_TRUE(saveReportSettings(file, s));
    EXPECT_NEAR(loadReportSettings(file).page.pageSize.size(QPageSize::Millimeter).width(), 100,
                0.5);
    EXPECT_EQ(modeOf(file), 0600u) << "a rewrite keeps the file private";
}

TEST_F(Settings, ADamagedFileGivesTheDefaultsForWhatItCannotSay) {
    QDir().mkpath(dir.path() + "/private");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[printer]\npage_size=99999\norientation=sideways\n[report]\nsite=" +
            QByteArray(5000, 'x') + "\n\x01\x02garbage\n");
    f.close();
    const ReportSettings s = loadReportSettings(file);
    EXPECT_EQ(s.page, PageSetup{});
    EXPECT_EQ(s.site.size(), kSiteLimit);
}

TEST_F(Settings, TheReportWindowKeepsSiteAndNotesForNextTime) {
    const QString history = dir.path() + "/history.sqlite3";
    const QString pdf = dir.path() + "/r.pdf";
    {
        frmReport window(history, file, 1'798'000'000'000, 1'798'086'400'000);
        window.site()->setText(QStringLiteral("Lobby"));
        window.notes()->setPlainText(QStringLiteral("Two\nlines"));
        QString error;
        ASSERT_TRUE(window.savePdf(pdf, error)) << error.toStdString();
    }
    EXPECT_EQ(reporttest::pageCount(pdf), 1);
    frmReport again(history, file, 0, 1);
    EXPECT_EQ(again.site()->text(), QStringLiteral("Lobby"));
    EXPECT_EQ(again.notes()->toPlainText(), QStringLiteral("Two\nlines"));

    // Without a printer the window says so rather than failing.
    if (!printerInstalled()) {
        EXPECT_FALSE(again.printButton()->isEnabled());
        EXPECT_EQ(again.printButton()->text(), QString::fromLatin1(frmReport::kNoPrinter));
        QString error;
        EXPECT_FALSE(again.print(error));
        EXPECT_EQ(error, QStringLiteral("no printer is installed"));
    }
}

TEST(HistoryWindowReport, TheButtonAsksForTheShownRange) {
    remote::history::HistoryLog log;
    remote::history::frmHistory window(log, [] { return std::int64_t{1'798'000'000'000}; });
    std::vector<std::pair<std::int64_t, std::int64_t>> asked;
    QObject::connect(
        &window, &remote::history::frmHistory::reportRequested,
        [&asked](std::int64_t from, std::int64_t to) { asked.emplace_back(from, to); });
    window.reportButton()->click();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first, 1'798'000'000'000 - 86'400'000);
    EXPECT_EQ(asked[0].second, 1'798'000'000'000);
}
