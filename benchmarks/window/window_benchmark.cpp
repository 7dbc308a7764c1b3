// The monitor window's cost per received frame against its budget of one 100 ms tick: a
// screen frame that changes all five lines, and a settings frame that changes every display,
// each handed to the core and the changed controls painted, beside a repaint of the whole
// window.
#include "remote/dialogs/messagesink.h"
#include "remote/startup/frmmain.h"
#include "remote/startup/modcontrol.h"
#include "tests/support/deviceframes.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using remote::dialogs::MessageSink;
using remote::startup::frmMain;
using remote::startup::modControl;

namespace {

namespace device = remote::link::device;

class QuietSink : public MessageSink {
public:
    Answer information(const QString&, const QString&) override { return Answer::Ok; }
    Answer warning(const QString&, const QString&) override { return Answer::Ok; }
    Answer critical(const QString&, const QString&) override { return Answer::Ok; }
    Answer question(const QString&, const QString&) override { return Answer::No; }
};

// The real window, loaded the way start-up loads it, shown on the offscreen platform, with
// its tick stopped so nothing but the benchmark changes it.
class Station {
public:
    Station() {
        for (const char* sub : {"program", "user", "run"}) {
            QDir(m_dir.path()).mkpath(QString::fromLatin1(sub));
        }
        std::filesystem::copy_file(DELIVERED_SETTINGS_FILE,
                                   m_dir.filePath("program/Kvrset.mdb").toStdString());
        m_control = std::make_unique<modControl>(m_sink,
                                                 modControl::Folders{m_dir.filePath("program"),
                                                                     m_dir.filePath("user"),
                                                                     m_dir.filePath("run")},
                                                 [](int) {});
        m_control->StartProgram();
        m_control->splash()->timLoad_Timer();
        m_control->splash()->tim_exit_Timer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        window().Timer1.stop();
        QCoreApplication::processEvents();
    }

    frmMain& window() { return *m_control->mainWindow(); }

private:
    QTemporaryDir m_dir;
    QuietSink m_sink;
    std::unique_ptr<modControl> m_control;
};

std::vector<std::uint8_t> screen(int n) {
    std::vector<std::string> fields{""};
    for (int line = 0; line < 5; ++line) {
        fields.push_back("LINE " + std::to_string(line) + (n % 2 ? " SCAN RF" : " LASER OK"));
    }
    return device::ScreenFrame(device::ScreenForm::Short, fields);
}

std::vector<std::uint8_t> settings(int n) {
    device::Settings s;
    const auto v = static_cast<std::uint8_t>(n % 2 ? 11 : 22);
    s.yearsAfter2000 = v;
    s.month = s.day = s.hour = s.minute = s.second = v;
    s.rfTransmitTime = s.laserQ1 = s.laserQ2 = s.laserVolume1 = s.laserVolume2 = v;
    s.laserQz1 = s.laserQz2 = s.laserQs1 = s.laserQs2 = static_cast<std::uint16_t>(v * 100);
    s.channelTimes.fill(v);
    s.repeatTime = v;
    s.switchBits = static_cast<std::uint8_t>(n % 2 ? 0x5 : 0xA);
    s.id.fill(static_cast<std::uint8_t>('A' + n % 2));
    s.serial.fill(static_cast<std::uint8_t>('0' + n % 2));
    return device::SettingsFrame(s);
}

void frameAndPaint(benchmark::State& state, std::vector<std::uint8_t> (*frame)(int)) {
    Station station;
    frmMain& window = station.window();
    const std::vector<std::uint8_t> frames[2] = {frame(0), frame(1)};
    int n = 0;
    for (auto _ : state) {
        window.receive(frames[n++ % 2]); // every display changes each time
        // The window paints what changed, as it does between two events of a real run.
        QCoreApplication::processEvents();
    }
}

void BM_ScreenFrameAndPaint(benchmark::State& state) {
    frameAndPaint(state, screen);
}
BENCHMARK(BM_ScreenFrameAndPaint)->Unit(benchmark::kMillisecond);

void BM_SettingsFrameAndPaint(benchmark::State& state) {
    frameAndPaint(state, settings);
}
BENCHMARK(BM_SettingsFrameAndPaint)->Unit(benchmark::kMillisecond);

void BM_WholeWindowRepaint(benchmark::State& state) {
    Station station;
    frmMain& window = station.window();
    for (auto _ : state) {
        window.repaint();
    }
}
BENCHMARK(BM_WholeWindowRepaint)->Unit(benchmark::kMillisecond);

} // namespace
