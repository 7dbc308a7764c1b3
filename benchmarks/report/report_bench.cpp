// The sweep report of a day with 10 000 alarms: reading the history, laying out and
// writing the PDF, as `remote --report` does.
#include "remote/history/historystore.h"
#include "remote/report/reportdocument.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace remote::report;
using remote::history::AlarmRecord;

namespace {

constexpr std::int64_t kFrom = 1'798'000'000'000;
constexpr std::int64_t kDay = 86'400'000;

void fill(const std::filesystem::path& file, int alarms) {
    remote::history::HistoryStore store(file);
    std::vector<AlarmRecord> rows;
    for (int i = 0; i < alarms; ++i) {
        rows.push_back(AlarmRecord{0, kFrom + 1000 + 8'000LL * i, 3600, (i * 2) % 10 % 9,
                                   remote::link::protocol::AlarmChannelLabels[(i * 2) % 10 % 9],
                                   "2026-12-23 05:26:40", static_cast<std::uint32_t>(i % 7)});
    }
    store.insertAll(rows);
    remote::history::SettingsSnapshot s;
    s.utcMs = kFrom;
    s.detectorId = "QND-000001";
    s.serial = "87654321";
    store.insertSnapshot(s);
}

ReportRequest request() {
    ReportRequest r;
    r.fromMs = kFrom;
    r.toMs = kFrom + kDay;
    r.site = QStringLiteral("Board room");
    r.notes = QStringLiteral("Swept after hours.");
    return r;
}

void BM_Report10000Alarms(benchmark::State& state) {
    QTemporaryDir dir;
    const std::filesystem::path history = (dir.path() + "/history.sqlite3").toStdString();
    fill(history, 10'000);
    const QString pdf = dir.path() + "/report.pdf";
    ReportLayout layout;
    for (auto _ : state) {
        const ReportData data = readReport(history, request(), kFrom + kDay);
        QString error;
        if (!writeReportPdf(pdf, data, {}, error, &layout)) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
    }
    state.counters["pages"] = layout.pages;
    state.counters["bytes"] = static_cast<double>(QFileInfo(pdf).size());
}
BENCHMARK(BM_Report10000Alarms)->Unit(benchmark::kMillisecond)->Iterations(5);

// The part that reads the history alone.
void BM_ReadReport10000Alarms(benchmark::State& state) {
    QTemporaryDir dir;
    const std::filesystem::path history = (dir.path() + "/history.sqlite3").toStdString();
    fill(history, 10'000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(readReport(history, request(), kFrom + kDay));
    }
}
BENCHMARK(BM_ReadReport10000Alarms)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
