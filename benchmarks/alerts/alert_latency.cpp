// From the last byte of an alarm code on the line to the Notify call at the notification
// service, and the processor time each alarm costs with every sink on. The station is the
// real window on a pseudo-terminal; the bus and the service are the tests' own (see
// docs/performance.md).
//
//   alert_latency [alarms]        (default 200)
#include "alerts/privatebus.h"
#include "pseudoterminal.h"
#include "remote/alerts/commandrunner.h"
#include "remote/alerts/stationalerts.h"
#include "remote/startup/frmmain.h"
#include "remote/startup/modcontrol.h"
#include "tests/support/deviceframes.h"
#include "tests/support/recordingmessagesink.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include <sys/resource.h>

using remote::startup::frmMain;
using remote::startup::modControl;

namespace {

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs the event loop until done() holds, waking for each event rather than polling (a
// poll's sleep would be counted as latency).
template <typename F>
bool waitFor(F done, int ms) {
    const QDeadlineTimer deadline(ms);
    QTimer wake;
    wake.start(50);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

double cpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Run {
    std::vector<double> latencyMs;
    std::vector<double> afterTickMs; // from the end of the tick that raised it
    double cpuPerAlarmMs = 0;
    double childCpuPerAlarmMs = 0;
    QString status;
};

// One station with its 100 ms timer running as in the field: count alarms, one every 120 to
// 180 ms (so they land at every point of a tick) and each on the next of the nine channels
// (so each label has gone black again before its channel comes round).
Run measure(const QByteArray& alertsSection, int count, bool withService) {
    Run run;
    QTemporaryDir dir;
    for (const char* sub : {"program", "user", "run", "config/remote"}) {
        QDir(dir.path()).mkpath(sub);
    }
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath("config"));
    QFile ini(dir.filePath("config/remote/remote.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write("[alerts]\n" + alertsSection);
    ini.close();
    std::filesystem::copy_file(DELIVERED_SETTINGS_FILE,
                               dir.filePath("program/Kvrset.mdb").toStdString());
    serialtest::Pty pty;
    serialtest::ComVariable com1{1, pty.slavePath()};
    std::unique_ptr<alertstest::FakeNotificationService> service;
    if (withService) {
        service = std::make_unique<alertstest::FakeNotificationService>("service");
    }
    RecordingMessageSink sink;
    modControl control(
        sink,
        modControl::Folders{dir.filePath("program"), dir.filePath("user"), dir.filePath("run")},
        [](int) {});
    control.StartProgram();
    control.splash()->timLoad_Timer();
    control.splash()->tim_exit_Timer();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    frmMain* main = control.mainWindow();
    // Runs after the window's own tick handler, which is where the label turns red and the
    // alarm goes to the sinks.
    std::int64_t firstTickAfterWrite = 0;
    bool armed = false;
    QObject::connect(&main->Timer1, &QTimer::timeout, [&] {
        if (armed && firstTickAfterWrite == 0) {
            firstTickAfterWrite = nowNs();
        }
    });
    waitFor([] { return false; }, 1500); // the start-up's own calls settle

    std::mt19937 random(42);
    std::uniform_int_distribution<int> gap(120, 180);
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    const double childBefore = cpuSeconds(RUSAGE_CHILDREN);
    for (int i = 0; i < count; ++i) {
        // A timer of its own ends the gap, so the write lands anywhere in the tick rather
        // than just after the event that woke the loop.
        bool due = false;
        QTimer::singleShot(gap(random), Qt::PreciseTimer, [&due] { due = true; });
        waitFor([&due] { return due; }, 1000);
        const auto code = remote::link::device::AlarmCode(i % 9);
        const std::size_t before = service ? service->calls.size() : 0;
        firstTickAfterWrite = 0;
        armed = true;
        pty.write(QByteArray(reinterpret_cast<const char*>(code.data()), 3));
        const std::int64_t written = nowNs();
        if (service && waitFor([&] { return service->calls.size() > before; }, 2000)) {
            const std::int64_t received = service->calls.back().receivedNs;
            run.latencyMs.push_back(static_cast<double>(received - written) / 1e6);
            run.afterTickMs.push_back(static_cast<double>(received - firstTickAfterWrite) / 1e6);
        }
        armed = false;
    }
    // Commands still running finish before the children's time is read.
    waitFor([&] { return main->records().alerts()->commands().queue().running() == 0; }, 30000);
    waitFor([] { return false; }, 300);
    run.cpuPerAlarmMs = (cpuSeconds(RUSAGE_SELF) - cpuBefore) * 1000 / count;
    run.childCpuPerAlarmMs = (cpuSeconds(RUSAGE_CHILDREN) - childBefore) * 1000 / count;
    run.status = main->records().alerts()->statusText();
    control.EndProgram();
    return run;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(at, v.size() - 1)];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The bus first: the station's session bus is read from the environment.
    if (!alertstest::PrivateBus::instance().running()) {
        std::fprintf(stderr, "no private bus: %s\n",
                     qPrintable(alertstest::PrivateBus::instance().error()));
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("remote");
    const int count = argc > 1 ? std::max(9, std::atoi(argv[1])) : 200;

    const Run on = measure("sound=true\ncommand=/bin/true\n", count, true);
    const Run off = measure("notify=false\ntray=false\nsound=false\nchannels=\n", count, false);
    std::printf("alarms: %d, Notify calls timed: %zu\n", count, on.latencyMs.size());
    std::printf("last byte to Notify at the service: median %.2f ms, 99th percentile %.2f ms, "
                "worst %.2f ms\n",
                percentile(on.latencyMs, 0.5), percentile(on.latencyMs, 0.99),
                percentile(on.latencyMs, 1.0));
    std::printf("the tick that turned the label red to Notify: median %.2f ms, 99th percentile "
                "%.2f ms\n",
                percentile(on.afterTickMs, 0.5), percentile(on.afterTickMs, 0.99));
    std::printf("station CPU per alarm: every sink on %.3f ms, alert sinks off %.3f ms; "
                "the command's own processes %.3f ms\n",
                on.cpuPerAlarmMs, off.cpuPerAlarmMs, on.childCpuPerAlarmMs);
    std::printf("not available here: %s\n", qPrintable(on.status));
    return 0;
}
