// The alarm history's and the line recorder's costs: one committed insert, an export of a
// million rows, recording a second of line traffic at its ceiling, and a replay as fast as
// possible into the protocol core.
#include "remote/history/csvexport.h"
#include "remote/history/historyreader.h"
#include "remote/history/historystore.h"
#include "remote/link/monitorlink.h"
#include "remote/recording/linerecorder.h"
#include "remote/recording/replayscheduler.h"
#include "tests/support/deviceframes.h"

#include <benchmark/benchmark.h>
#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using namespace remote::history;
using remote::link::protocol::AlarmChannelLabels;
namespace rec = remote::recording;

struct TempDir {
    std::filesystem::path path;
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "histbench.XXXXXX");
        path = ::mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(path); }
};

AlarmRecord sample(std::int64_t i) {
    return AlarmRecord{0,
                       1'798'000'000'000 + i * 100,
                       3600,
                       static_cast<int>(i % 9),
                       AlarmChannelLabels[static_cast<std::size_t>(i % 9)],
                       "2026-12-23 05:26:40"};
}

// One alarm, committed, as the tick that shows it writes it. Each insert is timed on its
// own so the median and the 99th percentile can be reported.
void BM_HistoryInsert(benchmark::State& state) {
    TempDir dir;
    HistoryStore store(dir.path / "history.sqlite3");
    std::vector<double> micros;
    std::int64_t i = 0;
    for (auto _ : state) {
        AlarmRecord r = sample(i++);
        const auto t0 = std::chrono::steady_clock::now();
        store.insert(r);
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0)
                .count());
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
    state.counters["max_us"] = micros.back();
}
BENCHMARK(BM_HistoryInsert)->Iterations(20000);

// A history of a million alarms, closed.
void makeMillionRows(const std::filesystem::path& file) {
    { HistoryStore create(file); }
    {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO alarm (utc_ms, utc_offset_s, channel, label, "
                           "detector_clock) VALUES (?, 3600, ?, ?, '2026-12-23 05:26:40')",
                           -1, &insert, nullptr);
        for (std::int64_t i = 0; i < 1'000'000; ++i) {
            sqlite3_bind_int64(insert, 1, 1'798'000'000'000 + i * 100);
            sqlite3_bind_int(insert, 2, static_cast<int>(i % 9));
            sqlite3_bind_text(insert, 3, AlarmChannelLabels[static_cast<std::size_t>(i % 9)], -1,
                              SQLITE_STATIC);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
}

// A million alarms read back and written as CSV to a file.
void BM_ExportMillionRows(benchmark::State& state) {
    TempDir dir;
    const auto file = dir.path / "history.sqlite3";
    makeMillionRows(file);
    const HistoryStore store(file);
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::ofstream out(dir.path / "out.csv", std::ios::binary | std::ios::trunc);
        CsvWriter csv(out);
        store.read(HistoryFilter{}, [&csv](const AlarmRecord& r) { csv.write(r); });
        out.flush();
        bytes = static_cast<std::size_t>(out.tellp());
        if (csv.rows() != 1'000'000) {
            state.SkipWithError("wrong row count");
        }
    }
    state.counters["csv_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_ExportMillionRows)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same through the script's export, which only reads the file: a pass that checks every
// row can be read, then the rows in time order.
void BM_ExportMillionRowsReadOnly(benchmark::State& state) {
    TempDir dir;
    const auto file = dir.path / "history.sqlite3";
    makeMillionRows(file);
    const HistoryReader reader(file);
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::ofstream out(dir.path / "out.csv", std::ios::binary | std::ios::trunc);
        CsvWriter csv(out);
        reader.exportRows(HistoryFilter{}, [&csv](const AlarmRecord& r) { csv.write(r); });
        out.flush();
        bytes = static_cast<std::size_t>(out.tellp());
        if (csv.rows() != 1'000'000) {
            state.SkipWithError("wrong row count");
        }
    }
    state.counters["csv_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_ExportMillionRowsReadOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

// One second of the line at its ceiling, 25.6 kB received in 800 events of 32 bytes, and
// the station's ten 9-byte poll frames, written to a recording.
void BM_RecordLineCeilingSecond(benchmark::State& state) {
    TempDir dir;
    std::uint64_t clock = 0;
    rec::LineRecorder recorder([&clock] { return clock; });
    std::string error;
    recorder.start(dir.path / "line.rec", error);
    const std::vector<std::uint8_t> chunk(32, 'x');
    for (auto _ : state) {
        for (int event = 0; event < 800; ++event) {
            clock += 1250;
            if (event % 80 == 0) {
                for (int b = 0; b < 9; ++b) {
                    recorder.sent(static_cast<std::uint8_t>(b));
                }
                recorder.flushSent();
            }
            recorder.received(chunk);
        }
        // The file grows without bound otherwise; a new one per second of line is the
        // same writes.
        if (recorder.size() > (64u << 20)) {
            recorder.start(dir.path / "line.rec", error);
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 25'600);
}
BENCHMARK(BM_RecordLineCeilingSecond)->Unit(benchmark::kMicrosecond);

class NullView : public remote::link::MonitorView {
public:
    void setScreenCaption(int, const std::string& c) override { last = c; }
    void setScreenOpaque(int, bool) override {}
    void setHexCopy(const std::string& text) override { last = text; }
    void setScanMarkVisible(bool) override {}
    void setLampValue(Lamp, bool) override {}
    void setEventLabelColor(int, std::uint32_t) override {}
    void setDisplayCaption(Display, int, const std::string& c) override { last = c; }
    void setSwitchValue(int, bool) override {}
    bool switchValue(int) const override { return false; }
    void setSwitchBackColor(int, std::uint32_t) override {}
    std::string inputText(Input, int) const override { return {}; }
    void refuseSave(const std::string&) override {}
    std::string last;
};

class NullPort : public remote::link::LinkPort {
public:
    bool PortOpened() const override { return false; }
    void writeByte(std::uint8_t) override {}
};

// A recording of 200 poll cycles (screen frame, settings frame every second cycle, alarm
// every fifth) in 64-byte receive events, replayed as fast as possible into the core.
void BM_ReplayAsFastAsPossible(benchmark::State& state) {
    namespace device = remote::link::device;
    std::vector<std::uint8_t> stream;
    const std::vector<std::string> fields{"0",           "MAIN MENU",    "1.Scan Mode",
                                          "2.Laser Set", "3.Ext Inputs", "4.Clock Set"};
    for (int cycle = 0; cycle < 200; ++cycle) {
        const auto screen = device::ScreenFrame(device::ScreenForm::Short, fields);
        stream.insert(stream.end(), screen.begin(), screen.end());
        if (cycle % 2 == 0) {
            const auto settings = device::SettingsFrame(device::Settings{});
            stream.insert(stream.end(), settings.begin(), settings.end());
        }
        if (cycle % 5 == 0) {
            const auto alarm = device::AlarmCode(cycle % 9);
            stream.insert(stream.end(), alarm.begin(), alarm.end());
        }
    }
    std::vector<rec::Chunk> chunks;
    for (std::size_t at = 0; at < stream.size(); at += 64) {
        const auto end = std::min(stream.size(), at + 64);
        chunks.push_back({at * 40,
                          rec::Direction::Received,
                          {stream.begin() + static_cast<std::ptrdiff_t>(at),
                           stream.begin() + static_cast<std::ptrdiff_t>(end)}});
    }
    NullView view;
    NullPort port;
    remote::link::MonitorLink link(view, port);
    for (auto _ : state) {
        rec::ReplayScheduler scheduler(chunks, 0);
        scheduler.start(0);
        while (!scheduler.finished()) {
            const auto bytes = scheduler.due(0);
            link.OnReceive(bytes);
        }
        benchmark::DoNotOptimize(view.last);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_ReplayAsFastAsPossible)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
