// Throughput of the receive handler on a realistic stream, against a bare loop that only
// slides the 4-byte window and compares it with the sync patterns and alarm codes; and the
// cost of decoding one screen frame into the display, view updates included.
#include "remote/link/displaymirror.h"
#include "remote/link/monitorlink.h"
#include "remote/link/protocol.h"
#include "tests/support/deviceframes.h"

#include <benchmark/benchmark.h>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace remote::link;

// A view that keeps what it is told, as a window would before painting.
class KeepingView : public MonitorView {
public:
    void setScreenCaption(int line, const std::string& c) override { screen[line & 7] = c; }
    void setScreenOpaque(int line, bool o) override { opaque[line & 7] = o; }
    void setHexCopy(const std::string& text) override { hex = text; }
    void setScanMarkVisible(bool v) override { scanMark = v; }
    void setLampValue(Lamp l, bool lit) override { lamps[static_cast<int>(l) & 1] = lit; }
    void setEventLabelColor(int c, std::uint32_t colour) override { colours[c & 15] = colour; }
    void setDisplayCaption(Display, int, const std::string& c) override { lastDisplay = c; }
    void setSwitchValue(int i, bool on) override { switches[i & 3] = on; }
    bool switchValue(int i) const override { return switches[i & 3]; }
    void setSwitchBackColor(int, std::uint32_t) override {}
    std::string inputText(Input, int) const override { return {}; }
    void refuseSave(const std::string&) override {}

    std::array<std::string, 8> screen;
    std::array<bool, 8> opaque{};
    std::string hex;
    bool scanMark = false;
    std::array<bool, 2> lamps{};
    std::array<std::uint32_t, 16> colours{};
    std::string lastDisplay;
    std::array<bool, 4> switches{};
};

class NullPort : public LinkPort {
public:
    bool PortOpened() const override { return false; }
    void writeByte(std::uint8_t) override {}
};

const std::vector<std::string> ShortFields{
    "MAIN MENU",        "1.Scan Mode     ", "2.Laser Set     ", "****************",
    "3.Ext Inputs    ", "4.Clock Set     ", "5.System        "};
const std::vector<std::string> LongFields{"SCAN",
                                          "Scanning...     ",
                                          "Close Call      ",
                                          std::string("F 145.250 ") + '\x18' + '\x19',
                                          "CC Found! 3     ",
                                          "RSSI  42        ",
                                          "Squelch 5       "};

// What the line carries while polling: screen frames (mostly), settings frames, the odd
// acknowledgement, alarm codes between frames and some line noise.
const std::vector<std::uint8_t>& mixedStream() {
    static const std::vector<std::uint8_t> stream = [] {
        std::vector<std::uint8_t> s;
        std::mt19937 rng(2024);
        device::Settings settings;
        settings.laserQz1 = 1234;
        const auto append = [&s](const auto& bytes) {
            s.insert(s.end(), bytes.begin(), bytes.end());
        };
        for (int cycle = 0; cycle < 200; ++cycle) {
            append(device::ScreenFrame(cycle % 3 == 0 ? device::ScreenForm::Long
                                                      : device::ScreenForm::Short,
                                       cycle % 3 == 0 ? LongFields : ShortFields));
            if (cycle % 2 == 0) {
                append(device::SettingsFrame(settings));
            }
            if (cycle % 5 == 0) {
                append(device::AlarmCode(static_cast<int>(rng() % 9)));
            }
            if (cycle % 10 == 0) {
                append(device::Acknowledgement());
            }
            for (int i = 0; i < 8; ++i) {
                s.push_back(static_cast<std::uint8_t>(rng()));
            }
        }
        return s;
    }();
    return stream;
}

// The bare loop the handler is measured against.
void BM_Baseline_SyncWindowCompare(benchmark::State& state) {
    const auto& stream = mixedStream();
    const std::array<std::array<std::uint8_t, 4>, 3> syncs{protocol::ScreenSync, protocol::AckSync,
                                                           protocol::SettingsSync};
    for (auto _ : state) {
        std::array<std::uint8_t, 4> w{};
        std::size_t hits = 0;
        for (const std::uint8_t b : stream) {
            w = {w[1], w[2], w[3], b};
            for (const auto& p : syncs) {
                hits += w == p;
            }
            for (const auto& code : protocol::AlarmCodes) {
                hits += w[1] == code.bytes[0] && w[2] == code.bytes[1] && w[3] == code.bytes[2];
            }
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_Baseline_SyncWindowCompare);

// The receive handler on the same bytes, in events of the given size, decoding every
// complete frame into the view on the way.
void BM_OnReceive_MixedStream(benchmark::State& state) {
    const auto& stream = mixedStream();
    const auto chunk = static_cast<std::size_t>(state.range(0));
    KeepingView view;
    NullPort port;
    MonitorLink link(view, port);
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            link.OnReceive(std::span(stream).subspan(at, std::min(chunk, stream.size() - at)));
        }
        benchmark::DoNotOptimize(link.RxPos());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
    state.counters["bytes"] = static_cast<double>(stream.size());
}
BENCHMARK(BM_OnReceive_MixedStream)->Arg(16)->Arg(4096);

// One complete screen frame decoded into the view: hex copy, fields, rewrites, lines.
void BM_DecodeScreenFrame(benchmark::State& state) {
    const bool isLong = state.range(0) != 0;
    const auto wire =
        device::ScreenFrame(isLong ? device::ScreenForm::Long : device::ScreenForm::Short,
                            isLong ? LongFields : ShortFields);
    const std::vector<std::uint8_t> frame(wire.begin() + 4, wire.end()); // after the sync
    KeepingView view;
    DisplayMirror mirror;
    for (auto _ : state) {
        mirror.DecodeScreenFrame(frame, view);
        benchmark::DoNotOptimize(view.screen[0].data());
    }
    state.SetLabel(isLong ? "long (132 bytes)" : "short (126 bytes)");
}
BENCHMARK(BM_DecodeScreenFrame)->Arg(0)->Arg(1);

// A settings frame checked and shown, for comparison.
void BM_SettingsFrame(benchmark::State& state) {
    const auto frame = device::SettingsFrame(device::Settings{});
    KeepingView view;
    NullPort port;
    MonitorLink link(view, port);
    for (auto _ : state) {
        link.OnReceive(frame);
        benchmark::DoNotOptimize(view.lastDisplay.data());
    }
}
BENCHMARK(BM_SettingsFrame);

} // namespace

BENCHMARK_MAIN();
