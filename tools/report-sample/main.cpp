// Writes the sweep report of a sample day (a few dozen alarms, a settings change, a noisy
// spell on the line) to a PDF; page 1 as the README shows it:
//   QT_QPA_PLATFORM=offscreen report-sample report.pdf
//   pdftoppm -r 90 -png -f 1 -l 1 -singlefile report.pdf docs/images/sweep-report
#include "remote/history/historystore.h"
#include "remote/report/reportdocument.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

using namespace remote::history;
using remote::link::protocol::AlarmChannelLabels;

namespace {

SettingsSnapshot settingsAt(std::int64_t ms, std::string rfTime) {
    SettingsSnapshot s;
    s.utcMs = ms;
    s.utcOffsetSeconds = 32'400;
    s.detectorId = "QND-A20417";
    s.serial = "24051187";
    s.rfTime = std::move(rfTime);
    s.channelTimes = {"5", "5", "10", "10", "10", "10", "10", "10", "10"};
    s.repeatTime = "24";
    s.laser = {"0.42", "0.40", "1.10", "1.08", "0.50", "0.50", "12", "12"};
    s.switches = 0b0101;
    return s;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.pdf\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath("history.sqlite3").toStdString();
    const std::int64_t start = 1'797'980'400'000; // 2026-12-23 08:00 at +09:00: a fixed day
    const std::int64_t hour = 3'600'000;
    {
        HistoryStore store(file);
        SettingsSnapshot morning = settingsAt(start - 20 * 60'000, "30");
        SettingsSnapshot noon = settingsAt(start + 5 * hour, "45");
        store.insertSnapshot(morning);
        store.insertSnapshot(noon);
        // The RF sweep around a meeting room, the laser across a window in the afternoon,
        // a chattering contact, and a noisy cable for a quarter of an hour.
        std::uint32_t seed = 2026;
        const auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
        const struct {
            int channel;
            int count;
            std::int64_t centreMinutes;
            std::int64_t spreadMinutes;
            std::uint32_t noise;
        } bursts[] = {{0, 14, 150, 40, 0},  {1, 8, 420, 25, 0}, {2, 5, 600, 120, 0},
                      {5, 6, 300, 10, 180}, {6, 3, 80, 30, 0},  {8, 2, 690, 15, 0}};
        std::vector<AlarmRecord> alarms;
        for (const auto& b : bursts) {
            for (int i = 0; i < b.count; ++i) {
                const std::int64_t at =
                    start + b.centreMinutes * 60'000 +
                    static_cast<std::int64_t>(next() % (2 * b.spreadMinutes * 60'000)) -
                    b.spreadMinutes * 60'000;
                alarms.push_back({0, at, 32'400, b.channel,
                                  AlarmChannelLabels[static_cast<std::size_t>(b.channel)],
                                  "2026-12-23 12:00:00", b.noise ? b.noise + next() % 90 : 0});
            }
        }
        store.insertAll(alarms);
    }
    remote::report::ReportRequest request;
    request.fromMs = start;
    request.toMs = start + 12 * hour;
    request.site = QStringLiteral("서울 본사 12층 대회의실 (Seoul head office, board room)");
    request.notes = QStringLiteral(
        "Sweep before the quarterly board meeting, doors closed, lights on.\n"
        "RF hits near the projector ceiling mount around 09:30; checked by hand, no device "
        "found. Ext4 alarms at noon came with line noise (loose cable at the panel).");
    request.stationHost = QStringLiteral("sweep-laptop-02");
    const auto data = remote::report::readReport(file, request, start + 12 * hour + 300'000);
    QString error;
    if (!remote::report::writeReportPdf(QString::fromLocal8Bit(argv[1]), data, {}, error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
