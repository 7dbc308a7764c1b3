// The station's own costs next to its time budgets: opening the keyed settings file at
// start-up, a settings save, one long command frame written byte by byte through the serial
// control (budget: one 100 ms tick), and draining a received screen frame byte by byte.
#include "remote/serial/serialcomm.h"
#include "remote/store/settingsstore.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <filesystem>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::filesystem::path scratchCopy(const QTemporaryDir& dir) {
    const std::filesystem::path copy = dir.filePath("Kvrset.mdb").toStdString();
    std::filesystem::copy_file(DELIVERED_SETTINGS_FILE, copy,
                               std::filesystem::copy_options::overwrite_existing);
    return copy;
}

void BM_OpenSettingsStore(benchmark::State& state) {
    QTemporaryDir dir;
    const auto file = scratchCopy(dir);
    for (auto _ : state) {
        remote::store::SettingsStore store(file);
        benchmark::DoNotOptimize(&store);
    }
}
BENCHMARK(BM_OpenSettingsStore)->Unit(benchmark::kMillisecond);

void BM_ReadSettings(benchmark::State& state) {
    QTemporaryDir dir;
    remote::store::SettingsStore store(scratchCopy(dir));
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.ReadSettings());
    }
}
BENCHMARK(BM_ReadSettings)->Unit(benchmark::kMicrosecond);

void BM_SaveSettings(benchmark::State& state) {
    QTemporaryDir dir;
    remote::store::SettingsStore store(scratchCopy(dir));
    std::int16_t port = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.SaveSettings(port, "9600"));
        port = static_cast<std::int16_t>(port % 16 + 1);
    }
}
BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMillisecond);

// A pseudo-terminal with Com1 pointed at it.
struct Line {
    Line() {
        char name[256] = {};
        ::openpty(&master, &slave, name, nullptr, nullptr);
        termios raw{};
        ::tcgetattr(master, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(master, TCSANOW, &raw);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        qputenv("REMOTE_COM1", name);
        comm.setCommPort(1);
        comm.setPortOpen(true);
        comm.setPortOpened(true);
    }
    ~Line() {
        comm.setPortOpen(false);
        ::close(slave);
        ::close(master);
    }
    int master = -1;
    int slave = -1;
    remote::serial::SerialComm comm;
};

void BM_LongFrameOneByteWrites(benchmark::State& state) {
    Line line;
    const std::uint8_t frame[14] = {0, 0, 0, 0, 0, 'S', 'E', 'T', 'D', 'A', 'T', 'A', 6, 13};
    for (auto _ : state) {
        for (const std::uint8_t b : frame) {
            line.comm.writeByte(b);
        }
        // Until all 14 have reached the other end, as the next tick would find them.
        for (int got = 0; got < 14;) {
            QCoreApplication::processEvents();
            char buffer[32];
            const auto n = ::read(line.master, buffer, sizeof buffer);
            got += n > 0 ? static_cast<int>(n) : 0;
        }
    }
    state.SetBytesProcessed(state.iterations() * 14);
}
BENCHMARK(BM_LongFrameOneByteWrites)->Unit(benchmark::kMicrosecond);

void BM_ReceiveDrainOneByteAtATime(benchmark::State& state) {
    Line line;
    const QByteArray frame = QByteArray("STS,") + QByteArray(131, 'x') + '\r';
    for (auto _ : state) {
        state.PauseTiming();
        if (::write(line.master, frame.constData(), static_cast<size_t>(frame.size())) !=
            frame.size()) {
            state.SkipWithError("write to the pseudo-terminal failed");
            break;
        }
        while (line.comm.InBufferCount() < frame.size()) {
            QCoreApplication::processEvents();
        }
        state.ResumeTiming();
        std::vector<std::uint8_t> bytes;
        while (line.comm.InBufferCount() > 0) {
            bytes.push_back(*line.comm.Input());
        }
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * frame.size());
}
BENCHMARK(BM_ReceiveDrainOneByteAtATime)->Unit(benchmark::kMicrosecond);

} // namespace
