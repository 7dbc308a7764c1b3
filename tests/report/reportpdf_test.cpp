#include "remote/history/historystore.h"
#include "remote/report/reportdocument.h"

#include "report/pdftools.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace remote::report;
using remote::history::AlarmRecord;
using remote::history::HistoryStore;
using remote::history::SettingsSnapshot;
using remote::link::protocol::AlarmChannelLabels;

namespace {

constexpr std::int64_t kFrom = 1'798'000'000'000; // 2026-12-23
constexpr std::int64_t kDay = 86'400'000;

AlarmRecord alarmAt(std::int64_t ms, int channel, std::uint32_t dropped = 0) {
    return AlarmRecord{0,
                       ms,
                       3600,
                       channel,
                       AlarmChannelLabels[static_cast<std::size_t>(channel)],
                       "2026-12-23 05:26:40",
                       dropped};
}

SettingsSnapshot snapshotAt(std::int64_t ms, std::string id) {
    SettingsSnapshot s;
    s.utcMs = ms;
    s.utcOffsetSeconds = 3600;
    s.detectorId = std::move(id);
    s.serial = "87654321";
    s.rfTime = "30";
    s.channelTimes = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
    s.repeatTime = "24";
    s.laser = {"0.10", "0.20", "0.30", "0.40", "0.55", "0.66", "7", "8"};
    s.switches = 0b0011;
    return s;
}

// A history file the test fills, and the report made from it.
struct ReportPdf : ::testing::Test {
    QTemporaryDir dir;
    std::filesystem::path history = (dir.path() + "/history.sqlite3").toStdString();
    QString pdf = dir.path() + "/report.pdf";

    void fill(std::vector<AlarmRecord> alarms, std::vector<SettingsSnapshot> snapshots = {}) {
        HistoryStore store(history);
        store.insertAll(alarms);
        for (SettingsSnapshot& s : snapshots) {
            store.insertSnapshot(s);
        }
    }
    ReportRequest request(QString site = QStringLiteral("Board room")) const {
        ReportRequest r;
        r.fromMs = kFrom;
        r.toMs = kFrom + kDay;
        r.site = std::move(site);
        r.notes = QStringLiteral("Swept after hours.");
        r.stationHost = QStringLiteral("station-7");
        return r;
    }
    ReportLayout make(const ReportRequest& r, const PageSetup& setup = {}) {
        const ReportData data = readReport(history, r, kFrom + kDay + 60'000);
        QString error;
        ReportLayout layout;
        EXPECT_TRUE(writeReportPdf(pdf, data, setup, error, &layout)) << error.toStdString();
        return layout;
    }
    // The alarm table's rows as pdftotext reads them: (row number, time text) in order.
    static std::vector<std::pair<int, QString>> alarmRows(const QString& text) {
        static const QRegularExpression row(
            QStringLiteral("^\\s*(\\d+)\\s+(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]"
                           "\\d\\d:\\d\\d)\\s"),
            QRegularExpression::MultilineOption);
        std::vector<std::pair<int, QString>> rows;
        for (auto it = row.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            rows.emplace_back(m.captured(1).toInt(), m.captured(2));
        }
        return rows;
    }
};

QString iso(const AlarmRecord& r) {
    return QString::fromStdString(remote::history::isoLocalTime(r.utcMs, r.utcOffsetSeconds));
}

} // namespace

TEST_F(ReportPdf, NoAlarmsIsOnePageWithItsHeaderAndFooter) {
    fill({}, {});
    const ReportLayout layout = make(request());
    EXPECT_EQ(layout.pages, 1);
    EXPECT_EQ(reporttest::pageCount(pdf), 1);
    const QString text = reporttest::pdfText(pdf);
    for (const QString& expected :
         {QString::fromLatin1(kTitle), QStringLiteral("Board room"),
          QStringLiteral("Swept after hours."), QStringLiteral("station-7"),
          QStringLiteral("remote ") + programVersion(), QString::fromLatin1(kNoAlarms),
          QStringLiteral("not read back in this range"), QStringLiteral("1 / 1")}) {
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString();
    }
    EXPECT_TRUE(alarmRows(text).empty());
    EXPECT_EQ(layout.firstAlarmPage, 0);
}

TEST_F(ReportPdf, OneAlarmWithTheSettingsInForceAndItsLineNoise) {
    const AlarmRecord alarm = alarmAt(kFrom + 3'600'000, 4, 321);
    fill({alarmAt(kFrom - 1000, 1), alarm, alarmAt(kFrom + kDay + 1, 2)},
         {snapshotAt(kFrom - 5000, "QND-123456"), snapshotAt(kFrom + 10'000, "QND-654321")});
    EXPECT_EQ(make(request()).pages, 1);
    EXPECT_EQ(reporttest::pageCount(pdf), 1);
    const QString text = reporttest::pdfText(pdf);
    const auto rows = alarmRows(text);
    ASSERT_EQ(rows.size(), 1u) << "only the alarm inside the range";
    EXPECT_EQ(rows[0], std::make_pair(1, iso(alarm)));
    for (const QString& expected :
         {QStringLiteral("QND-123456, serial 87654321; QND-654321, serial 87654321"),
          QStringLiteral("(before)"), QStringLiteral("1:on 2:on 3:off 4:off"),
          QStringLiteral("Channel times: 1 2 3 4 5 6 7 8 9"), QStringLiteral("Q1 0.55"),
          QStringLiteral("321"), QStringLiteral("Ext3(Video) :")}) {
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString();
    }
    // The per-channel line: one alarm, first and last the same.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("4\\s+Ext3\\(Video\\) :\\s+1\\s+") +
                                   QRegularExpression::escape(iso(alarm)) + QStringLiteral("\\s+") +
                                   QRegularExpression::escape(iso(alarm)))
                    .match(text)
                    .hasMatch())
        << text.toStdString();
}

TEST_F(ReportPdf, TenThousandAlarmsBreakAcrossPagesWithEveryRowOnceInTimeOrder) {
    constexpr int kAlarms = 10'000;
    std::vector<AlarmRecord> alarms;
    for (int i = 0; i < kAlarms; ++i) {
        // Stored out of time order (neighbours swapped); five channels.
        const int at = i % 2 == 0 ? i + 1 : i - 1;
        alarms.push_back(alarmAt(kFrom + 1000 + 8'000LL * at, (at * 2) % 10 % 9, at % 7));
    }
    fill(alarms, {snapshotAt(kFrom, "QND-000001")});
    std::sort(alarms.begin(), alarms.end(),
              [](const AlarmRecord& a, const AlarmRecord& b) { return a.utcMs < b.utcMs; });

    const ReportLayout layout = make(request());
    ASSERT_GT(layout.alarmRowsOnFirstPage, 0);
    ASSERT_GT(layout.alarmRowsPerPage, 40) << "an A4 page holds more rows than that";
    const int expectedPages =
        layout.firstAlarmPage +
        static_cast<int>(
            std::ceil(double(kAlarms - layout.alarmRowsOnFirstPage) / layout.alarmRowsPerPage));
    EXPECT_EQ(layout.pages, expectedPages);
    EXPECT_EQ(reporttest::pageCount(pdf), expectedPages);

    const QString text = reporttest::pdfText(pdf);
    const auto rows = alarmRows(text);
    ASSERT_EQ(rows.size(), alarms.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i], std::make_pair(static_cast<int>(i + 1), iso(alarms[i]))) << i;
    }
    const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
    ASSERT_EQ(pages.size(), expectedPages);
    for (int n = 1; n <= expectedPages; ++n) {
        const QString& page = pages[n - 1];
        EXPECT_TRUE(page.contains(QStringLiteral("%1 / %2").arg(n).arg(expectedPages))) << n;
        EXPECT_TRUE(page.contains(QStringLiteral("Sweep report - Board room"))) << n;
        if (n >= layout.firstAlarmPage) {
            EXPECT_EQ(page.count(QStringLiteral("Dropped bytes")), 1) << "header row on page " << n;
        }
    }
}

TEST_F(ReportPdf, TheTimelineMarksStandWhereTheirTimesFallOnPageOne) {
    struct Chosen {
        double share;
        int channel;
    };
    const Chosen chosen[] = {{0.1, 0}, {0.5, 4}, {0.9, 8}, {0.75, 2}};
    std::vector<AlarmRecord> alarms;
    for (const Chosen& c : chosen) {
        alarms.push_back(alarmAt(kFrom + static_cast<std::int64_t>(c.share * kDay), c.channel));
    }
    fill(alarms);
    const ReportLayout layout = make(request());
    constexpr int kDpi = 150;
    const QImage page = reporttest::pageImage(pdf, 1, kDpi, dir.path() + "/page1");
    ASSERT_FALSE(page.isNull());
    ASSERT_NEAR(page.width(), layout.sheet.width() * kDpi / 72, 2);
    const QRectF plot = layout.timelinePlot;
    const auto px = [](qreal points) { return static_cast<int>(std::lround(points * kDpi / 72)); };
    const auto rowMiddle = [&](int channel) {
        return plot.top() + (channel + 0.5) * plot.height() / 9;
    };
    const auto red = [&](int x, int y) {
        for (int dx = -1; dx <= 1; ++dx) {
            const QColor c = page.pixelColor(x + dx, y);
            if (c.red() > 150 && c.green() < 110 && c.blue() < 110) {
                return true;
            }
        }
        return false;
    };
    for (const Chosen& c : chosen) {
        const qreal x = plot.left() + c.share * plot.width();
        EXPECT_TRUE(red(px(x), px(rowMiddle(c.channel))))
            << "mark of channel " << c.channel << " at " << c.share;
        // Not in a row without an alarm, nor beside the mark.
        EXPECT_FALSE(red(px(x), px(rowMiddle((c.channel + 1) % 9))));
        EXPECT_FALSE(red(px(x + 0.02 * plot.width()), px(rowMiddle(c.channel))));
    }
}

TEST_F(ReportPdf, KoreanTextInTheEmbeddedFontAndTheChosenSheet) {
    fill({alarmAt(kFrom + 1000, 0)});
    ReportRequest r = request(QStringLiteral("서울 본사 3층 회의실"));
    r.notes = QStringLiteral("첫 줄\n두 번째 줄: <b>not markup</b>\n\x01"
                             "control");
    PageSetup letter;
    letter.pageSize = QPageSize(QPageSize::Letter);
    letter.orientation = QPageLayout::Landscape;
    make(r, letter);
    EXPECT_TRUE(reporttest::pdfInfo(pdf).contains(QStringLiteral("792 x 612 pts")))
        << reporttest::pdfInfo(pdf).toStdString();
    const QString text = reporttest::pdfText(pdf);
    for (const QString& expected :
         {QStringLiteral("서울 본사 3층 회의실"), QStringLiteral("첫"),
          QStringLiteral("두 번째 줄: <b>not markup</b>"), QStringLiteral("control")}) {
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n"
                                             << text.toStdString();
    }
    const QString fonts = reporttest::pdfFonts(pdf);
    EXPECT_TRUE(fonts.contains(QStringLiteral("NanumBarunGothic"))) << fonts.toStdString();
    // Every font is embedded, with its text's code points: the header's two lines, then one
    // line per font.
    const QStringList lines = fonts.split(u'\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(lines.isEmpty());
    for (const QString& line : lines) {
        EXPECT_TRUE(
            line.contains(QRegularExpression(QStringLiteral("\\byes\\s+(yes|no)\\s+yes\\b"))))
            << line.toStdString();
    }
}

TEST_F(ReportPdf, AnyRangeAndAnyNotesAreDrawnWithoutFailing) {
    fill({alarmAt(0, 3), alarmAt(kFrom, 4)});
    const std::pair<std::int64_t, std::int64_t> ranges[] = {
        {INT64_MIN, INT64_MAX}, {kFrom, kFrom}, {-kDay, kDay}};
    for (const auto& [from, to] : ranges) {
        ReportRequest r = request();
        r.fromMs = from;
        r.toMs = to;
        r.notes = QStringLiteral("windows\r\nline ends\rand\ttabs");
        EXPECT_EQ(make(r).pages, 1) << from << " " << to;
        const QString text = reporttest::pdfText(pdf);
        EXPECT_TRUE(text.contains(QStringLiteral("windows"))) << from;
        EXPECT_TRUE(text.contains(QStringLiteral("and tabs"))) << from;
        EXPECT_FALSE(text.contains(QChar(0xFFFD))) << "line ends are not shown as characters";
    }
}
