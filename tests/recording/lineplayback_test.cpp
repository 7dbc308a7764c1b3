#include "link/linkfakes.h"
#include "pseudoterminal.h"
#include "recording/recordingfiles.h"
#include "remote/recording/linerecorder.h"
#include "remote/recording/replayrunner.h"
#include "remote/serial/serialcomm.h"
#include "tests/support/deviceframes.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

using namespace remote::recording;
namespace device = remote::link::device;

namespace {

// The station's side of a live line, recorded: the serial control on a pseudo-terminal,
// the link reporting to a recording view, and both directions going to the recorder.
class RecordedLine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(comm.setCommPort(1));
        ASSERT_TRUE(comm.setPortOpen(true)) << comm.errorText().toStdString();
        comm.setPortOpened(true);
        QObject::connect(&comm, &remote::serial::SerialComm::OnComm, [this] {
            std::vector<std::uint8_t> bytes;
            while (comm.InBufferCount() > 0) {
                bytes.push_back(*comm.Input());
            }
            recorder.received(bytes);
            link.OnReceive(bytes);
        });
        std::string error;
        ASSERT_TRUE(recorder.start(file, error)) << error;
    }

    // The detector sends a screen, an alarm and its settings, a pause apart, while the
    // station polls.
    void playDetector() {
        link.LOOPSW_ValueChanged(true);
        const std::vector<std::string> fields{"0",      "SCAN RF", "LINE 2",
                                              "LINE 3", "LINE 4",  "LINE 5"};
        device::Settings settings;
        settings.yearsAfter2000 = 26;
        settings.month = 12;
        settings.serial = {'S', 'N', '1', '2', '3', '4', '5', '6'};
        settings.laserQz1 = 300;
        const auto screen = device::ScreenFrame(device::ScreenForm::Short, fields);
        const auto code = device::AlarmCode(2);
        const std::vector<std::uint8_t> alarm(code.begin(), code.end());
        const auto settingsFrame = device::SettingsFrame(settings);
        for (const auto* frame : {&screen, &alarm, &settingsFrame}) {
            pty.write(QByteArray(reinterpret_cast<const char*>(frame->data()),
                                 static_cast<qsizetype>(frame->size())));
            for (int i = 0; i < 3; ++i) {
                link.Timer1_Timer();
                recorder.flushSent();
                QTest::qWait(100);
            }
        }
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return view.display(Display::SERIAL) == "SN123456"; }, 10000));
        recorder.stop();
    }

    using Display = remote::link::MonitorView::Display;

    serialtest::Pty pty;
    serialtest::ComVariable com1{1, pty.slavePath()};
    remote::serial::SerialComm comm;
    QTemporaryDir dir;
    std::filesystem::path file = (dir.path() + "/line.rec").toStdString();
    LineRecorder recorder;
    RecordingPort recordingPort{comm, recorder};
    linktest::RecordingView view;
    remote::link::MonitorLink link{view, recordingPort};
};

// What a replay leaves on the screen and in the settings displays.
void expectSameTexts(const linktest::RecordingView& replayed, const linktest::RecordingView& live) {
    EXPECT_EQ(replayed.screen, live.screen);
    EXPECT_EQ(replayed.displays, live.displays);
    EXPECT_EQ(replayed.hexCopy, live.hexCopy);
}

} // namespace

TEST_F(RecordedLine, ReplaysIntoTheSameTextsAsFastAsPossibleAndAtOriginalSpeed) {
    playDetector();
    const auto chunks = recordingtest::readChunks(file);
    ASSERT_TRUE(std::any_of(chunks.begin(), chunks.end(), [](const Chunk& c) {
        return c.direction == Direction::Sent;
    })) << "the poll frames are recorded too";

    for (const int speed : {0, 1}) {
        linktest::LinkHarness station;
        std::vector<std::uint64_t> fedAt;
        QElapsedTimer elapsed;
        // Read from the file as it plays, as the station does.
        ReplayRunner runner(ReplayScheduler(std::make_unique<RecordingReader>(file), speed),
                            [&](std::span<const std::uint8_t> bytes) {
                                fedAt.push_back(
                                    static_cast<std::uint64_t>(elapsed.nsecsElapsed() / 1000));
                                station.link.OnReceive(bytes);
                            });
        bool done = false;
        QObject::connect(&runner, &ReplayRunner::finished, [&done] { done = true; });
        elapsed.start();
        runner.start();
        ASSERT_TRUE(QTest::qWaitFor([&done] { return done; }, 30000)) << "speed " << speed;
        expectSameTexts(station.view, view);
        EXPECT_TRUE(station.port.written.empty()) << "a replay sends nothing";

        if (speed == 1) {
            // Never early: each chunk comes no sooner than its recorded offset from the
            // first (a busy machine may make it late, which is not asserted).
            std::vector<std::uint64_t> recorded;
            for (const Chunk& c : chunks) {
                if (c.direction == Direction::Received) {
                    recorded.push_back(c.timeUs);
                }
            }
            ASSERT_EQ(fedAt.size(), recorded.size());
            for (std::size_t i = 1; i < fedAt.size(); ++i) {
                EXPECT_GE(fedAt[i] - fedAt[0] + 1000, recorded[i] - recorded[0]) << i;
            }
        }
    }
}

TEST_F(RecordedLine, ARecordingCutInTheMiddleOfARecordReplaysUpToTheCut) {
    playDetector();
    // Cut into the last received record: the settings frame is lost, the rest is not.
    auto chunks = recordingtest::readChunks(file);
    std::uint64_t keep = kHeaderSize;
    std::uint64_t lastReceivedStart = 0;
    for (const Chunk& c : chunks) {
        if (c.direction == Direction::Received) {
            lastReceivedStart = keep;
        }
        keep += kRecordHeaderSize + c.bytes.size();
    }
    std::filesystem::resize_file(file, lastReceivedStart + kRecordHeaderSize + 5);

    RecordingReader reader(file);
    std::vector<Chunk> readBack;
    while (auto c = reader.next()) {
        readBack.push_back(*c);
    }
    EXPECT_TRUE(reader.cutOff());
    linktest::LinkHarness station;
    ReplayScheduler scheduler(readBack, 0);
    scheduler.start(0);
    while (!scheduler.finished()) {
        station.link.OnReceive(scheduler.due(0));
    }
    EXPECT_EQ(station.view.screen, view.screen);
    if (chunks.back().bytes.size() > 5) {
        EXPECT_EQ(station.view.display(Display::SERIAL), "<unset>");
    }
}
