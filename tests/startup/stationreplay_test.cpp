#include "link/linkfakes.h"
#include "recording/recordingfiles.h"
#include "remote/serial/serialcomm.h"
#include "remote/startup/stationrecords.h"

#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace remote::recording;

using remote::startup::StationRecords;

namespace {

// The replay as the window runs it: the menu's entry points, the status bar and the title,
// with the link's receive entry point collecting what the replay feeds.
class StationReplay : public ::testing::Test {
protected:
    void SetUp() override {
        window.setWindowTitle("REMOTE PROGRAM");
        records.install(window, QString(), [this](std::span<const std::uint8_t> bytes) {
            fed.append(bytes.begin(), bytes.end());
        });
        QObject::connect(&records, &StationRecords::replayChanged,
                         [this](bool on) { changes.push_back(on); });
    }

    std::filesystem::path file(const char* name) const {
        return (dir.path() + "/" + name).toStdString();
    }

    QTemporaryDir dir;
    QMainWindow window;
    linktest::RecordingView view;
    remote::serial::SerialComm comm;
    StationRecords records{view, comm};
    std::string fed;
    std::vector<bool> changes;
};

} // namespace

// A pipe would hold the window until something wrote into it, a device could act on the
// opening: both are refused by name, at once, and no replay begins.
TEST_F(StationReplay, ANameThatIsNotARecordingFileIsRefusedWithoutBlocking) {
    const auto fifo = file("pipe.rec");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto folder = file("folder.rec");
    std::filesystem::create_directory(folder);
    const struct {
        std::filesystem::path path;
        const char* kind;
    } cases[] = {
        {fifo, "a named pipe"},
        {folder, "a folder"},
        {"/dev/null", "a device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.string());
        bool started = true;
        EXPECT_TRUE(testsupport::returnsWithoutBlocking(
            fifo, [&] { started = records.startReplay(QString::fromStdString(c.path), 0); }));
        EXPECT_FALSE(started);
        EXPECT_FALSE(records.replaying());
        EXPECT_EQ(records.problemText().toStdString(),
                  "Cannot replay: " + c.path.string() + " is " + c.kind + ", not a regular file");
        EXPECT_EQ(window.windowTitle(), "REMOTE PROGRAM");
    }
    EXPECT_TRUE(changes.empty());
}

// The replay plays up to the damage and then tells the operator where it stopped and how
// much was played.
TEST_F(StationReplay, ADamagedRecordingPlaysUpToTheDamageAndSaysWhereItStopped) {
    std::vector<std::uint8_t> bytes = encodeHeader();
    appendRecord(bytes, Chunk{0, Direction::Sent, {'R', 'E', 'M', 'O', 'T', 'E', '1', 0xFD, 13}});
    appendRecord(bytes, Chunk{1000, Direction::Received, {'S', 'T', 'S', ','}});
    appendRecord(bytes, Chunk{2000, Direction::Received, {'F', 'A', '1'}});
    const std::size_t damageAt = bytes.size();
    appendRecord(bytes, Chunk{3000, Direction::Received, {'F', 'B', '1'}});
    bytes[damageAt + 12] = 0x7F; // a length far above the limit
    const auto path = file("damaged.rec");
    recordingtest::writeBytes(path, bytes);

    ASSERT_TRUE(records.startReplay(QString::fromStdString(path), 16));
    EXPECT_TRUE(window.windowTitle().startsWith("REMOTE PROGRAM - REPLAY (16x)"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !records.replaying(); }, 20000));
    EXPECT_EQ(fed, "STS,FA1");
    EXPECT_EQ(records.problemText().toStdString(),
              "Replay stopped at byte " + std::to_string(damageAt) +
                  ": damaged record after 3 records (2 played)");
    EXPECT_EQ(window.windowTitle(), "REMOTE PROGRAM");
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
}

// The operator's stop ends a replay that has more to play, without a word of damage.
TEST_F(StationReplay, TheOperatorStopsAReplayBeforeItsEnd) {
    std::vector<std::uint8_t> bytes = encodeHeader();
    appendRecord(bytes, Chunk{0, Direction::Received, {'S', 'T', 'S', ','}});
    appendRecord(bytes, Chunk{600'000'000, Direction::Received, {'F', 'A', '1'}});
    const auto path = file("long.rec");
    recordingtest::writeBytes(path, bytes);
    const QString before = records.problemText();

    ASSERT_TRUE(records.startReplay(QString::fromStdString(path), 1));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !fed.empty(); }, 20000));
    EXPECT_TRUE(records.replaying()) << "the second record is ten minutes away";
    records.stopReplay();
    EXPECT_FALSE(records.replaying());
    EXPECT_EQ(fed, "STS,");
    EXPECT_EQ(records.problemText(), before);
    EXPECT_EQ(window.windowTitle(), "REMOTE PROGRAM");
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
    QTest::qWait(50);
    EXPECT_EQ(fed, "STS,") << "nothing is fed after the stop";
}
