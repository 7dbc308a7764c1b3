// Renders the alarm history window over a day of sample alarms, off screen, to a PNG:
//   QT_QPA_PLATFORM=offscreen history-gallery docs/images/history-window.png
#include "remote/history/frmhistory.h"
#include "remote/history/historylog.h"

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>

using namespace remote::history;
using remote::link::protocol::AlarmChannelLabels;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    HistoryLog log;
    if (!log.open(dir.filePath("history.sqlite3"))) {
        std::fprintf(stderr, "%s\n", qPrintable(log.problem()));
        return 1;
    }
    const std::int64_t now = 1'798'000'000'000; // a fixed day, so the picture is repeatable
    // A quiet day with a few bursts: the laser beam crossed in the evening, the RF sweep
    // picked up a transmitter around noon, and an external contact chattering.
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    const struct {
        int channel;
        int count;
        std::int64_t centreHoursAgo;
        std::int64_t spreadMinutes;
    } bursts[] = {{0, 40, 12, 50}, {1, 25, 4, 20}, {2, 12, 18, 200}, {4, 6, 8, 30},
                  {5, 30, 2, 10},  {6, 8, 22, 60}, {8, 5, 15, 120}};
    for (const auto& burst : bursts) {
        for (int i = 0; i < burst.count; ++i) {
            const std::int64_t offset =
                static_cast<std::int64_t>(next() % (2 * burst.spreadMinutes * 60'000)) -
                burst.spreadMinutes * 60'000;
            log.record({0, now - burst.centreHoursAgo * 3'600'000 + offset, 3600, burst.channel,
                        AlarmChannelLabels[static_cast<std::size_t>(burst.channel)], std::nullopt});
        }
    }
    frmHistory window(log, [now] { return now; });
    window.resize(900, 600);
    window.table()->sortByColumn(HistoryModel::Time, Qt::DescendingOrder);
    window.table()->resizeColumnsToContents();
    window.show();
    QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
