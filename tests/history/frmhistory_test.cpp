#include "remote/history/frmhistory.h"
#include "remote/history/historylog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlcipher/sqlite3.h>

using namespace remote::history;
using remote::link::protocol::AlarmChannelLabels;

namespace {

struct HistoryWindow : ::testing::Test {
    QTemporaryDir dir;
    HistoryLog log;
    std::int64_t now = 1'798'000'000'000;

    void SetUp() override {
        ASSERT_TRUE(log.open(dir.path() + "/history.sqlite3"));
        // Two hours of alarms, one every ten minutes, channels in turn.
        for (int i = 0; i < 12; ++i) {
            const int channel = i % 9;
            log.record(AlarmRecord{0, now - 7'200'000 + i * 600'000LL, 3600, channel,
                                   i == 5 ? "Ext4, \"Digital\"" : AlarmChannelLabels[channel],
                                   std::nullopt});
        }
    }
};

} // namespace

TEST_F(HistoryWindow, FiltersByRangeAndChannelAndFollowsNewAlarms) {
    frmHistory window(log, [this] { return now; });
    EXPECT_EQ(window.model().rowCount(), 12); // the last day
    window.setRange(frmHistory::LastHour);
    EXPECT_EQ(window.model().rowCount(), 6); // at -60, -50, ... -10 minutes
    window.setChannel(8);
    EXPECT_EQ(window.model().rowCount(), 1);
    window.setChannel(5); // its alarm is 70 minutes old
    EXPECT_EQ(window.model().rowCount(), 0);
    window.setChannel(-1);
    window.setCustomRange(now - 7'200'000, now - 6'600'000);
    EXPECT_EQ(window.model().rowCount(), 2) << "both ends are in the range";

    window.setRange(frmHistory::LastHour);
    log.record(AlarmRecord{0, now + 100, 3600, 7, AlarmChannelLabels[7], "2026-12-23 05:26:40"});
    ASSERT_EQ(window.model().rowCount(), 7);
    EXPECT_EQ(window.model().data(window.model().index(6, HistoryModel::Label)).toString(),
              "Ext6 :");
    EXPECT_EQ(window.timelineView()->state().marks.size(), 7u);
    EXPECT_EQ(window.timelineView()->state().toMs, now + 100) << "the range slides";
    EXPECT_EQ(window.timelineView()->markText(6).toStdString(),
              "2026-12-23T05:26:40.100+01:00  Ext6 :");
}

TEST_F(HistoryWindow, SortsByAnyColumn) {
    frmHistory window(log, [this] { return now; });
    window.table()->sortByColumn(HistoryModel::Channel, Qt::DescendingOrder);
    const auto& rows = window.model().rows();
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows.front().channel, 8);
    EXPECT_EQ(rows.back().channel, 0);
    // Descending throughout: equal channels newest first.
    EXPECT_GT(rows[rows.size() - 2].utcMs, rows.back().utcMs);
    window.table()->sortByColumn(HistoryModel::Time, Qt::AscendingOrder);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(),
                               [](const auto& a, const auto& b) { return a.utcMs < b.utcMs; }));
}

TEST_F(HistoryWindow, ExportsTheShownRows) {
    frmHistory window(log, [this] { return now; });
    window.setChannel(5);
    QString error;
    const QString file = dir.path() + "/shown.csv";
    ASSERT_TRUE(window.exportCsv(file, error)) << error.toStdString();
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll().toStdString(),
              "time,channel,label,detector_clock,dropped_bytes\r\n"
              "2026-12-23T04:16:40.000+01:00,5,\"Ext4, \"\"Digital\"\"\",,0\r\n");
    EXPECT_FALSE(window.exportCsv(dir.path() + "/no/folder/x.csv", error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(HistoryWindowWithoutStore, ShowsTheProblemAndAnEmptyTable) {
    QTemporaryDir dir;
    HistoryLog log;
    QFile blocker(dir.path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(log.open(dir.path() + "/file/x/history.sqlite3"));
    frmHistory window(log);
    EXPECT_EQ(window.model().rowCount(), 0);
    log.record(AlarmRecord{0, 1, 0, 1, "x", std::nullopt});
    EXPECT_EQ(window.model().rowCount(), 0);
}

TEST_F(HistoryWindow, HoverOverAMarkShowsItsLocalTime) {
    frmHistory window(log, [this] { return now; });
    window.resize(800, 600);
    window.show();
    TimelineView* view = window.timelineView();
    const QRect plot = view->plotRect();
    ASSERT_GT(plot.width(), 0);
    const auto& marks = view->state().marks;
    ASSERT_EQ(marks.size(), 12u);
    const auto x = timeline::columnOf(view->state(), plot.width(), marks[3].utcMs);
    ASSERT_TRUE(x);
    const int rh = timeline::rowHeight(plot.height());
    const QPointF at(plot.left() + *x, plot.top() + marks[3].channel * rh + rh / 2);
    QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    ASSERT_EQ(view->state().hovered, 3u);
    EXPECT_EQ(view->markText(3).toStdString(),
              remote::history::isoLocalTime(marks[3].utcMs, 3600) + "  Ext2(CH2) :");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(view, &leave);
    EXPECT_FALSE(view->state().hovered);
}

TEST(TimelineViewAlone, HoverTextTakesEachMarksOwnOffsetAndNothingForMarksNotDrawn) {
    TimelineView view;
    timeline::State state;
    state.toMs = 10'000'000;
    state.marks = {{1'000'000, 0}, {2'000'000, 8}, {3'000'000, 9}, {4'000'000, -1}};
    view.setState(state, {7200});
    EXPECT_EQ(view.markText(0).toStdString(), isoLocalTime(1'000'000, 7200) + "  RF Signal :");
    EXPECT_EQ(view.markText(1).toStdString(), isoLocalTime(2'000'000, 0) + "  Ext7 :")
        << "a mark without an offset is shown in UTC";
    EXPECT_TRUE(view.markText(2).isEmpty());
    EXPECT_TRUE(view.markText(3).isEmpty());
    EXPECT_TRUE(view.markText(4).isEmpty());
    // A new state brings its own offsets: none left over from the last one.
    view.setState(state);
    EXPECT_EQ(view.markText(0).toStdString(), isoLocalTime(1'000'000, 0) + "  RF Signal :");
}

TEST_F(HistoryWindow, AHistoryThatCannotBeReadShowsWhyNotNoAlarms) {
    frmHistory window(log, [this] { return now; });
    ASSERT_EQ(window.statusText(), "12 alarms");
    // Another program takes the table away under the open store.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() + "/history.sqlite3").toUtf8().constData(), &other),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "DROP TABLE alarm", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    window.setRange(frmHistory::LastHour);
    EXPECT_EQ(window.model().rowCount(), 0);
    EXPECT_EQ(window.statusText(), "Cannot read the alarm history: no such table: alarm");
    EXPECT_EQ(window.model().error(), "no such table: alarm");
}

TEST(HistoryWindowWithoutStore, EveryLabelShowsItsTextPlainNeverAsMarkup) {
    QTemporaryDir dir;
    const QString blocker = dir.path() + "/<b>x</b>";
    QDir().mkpath(dir.path() + "/<b>x<");
    QFile file(dir.path() + "/<b>x<" + "/b>");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    HistoryLog log;
    EXPECT_FALSE(log.open(blocker + "/history.sqlite3"));
    frmHistory window(log);
    EXPECT_TRUE(window.statusText().contains("<b>x</b>")) << window.statusText().toStdString();
    const auto labels = window.findChildren<QLabel*>();
    ASSERT_FALSE(labels.isEmpty());
    for (const QLabel* label : labels) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
    }
}
