#include "adapter/simline.h"
#include "recordingfile.h"
#include "simframes.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace detectorsim;
using namespace simtest;

namespace {

// The station's end of the line, opened by path as the station opens it.
class StationEnd {
public:
    explicit StationEnd(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (m_fd >= 0) {
            termios t{};
            ::tcgetattr(m_fd, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(m_fd, TCSANOW, &t);
        }
    }
    ~StationEnd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    bool isOpen() const { return m_fd >= 0; }
    void write(const Bytes& bytes) {
        ASSERT_EQ(::write(m_fd, bytes.data(), bytes.size()), static_cast<long>(bytes.size()));
    }
    Bytes read(std::size_t count, int timeoutMs = 10000) {
        Bytes got;
        const QDeadlineTimer deadline(timeoutMs);
        while (got.size() < count && !deadline.hasExpired()) {
            std::uint8_t buffer[256];
            const auto n = ::read(m_fd, buffer, std::min(sizeof buffer, count - got.size()));
            if (n > 0) {
                got.insert(got.end(), buffer, buffer + n);
            } else {
                QThread::msleep(5);
            }
        }
        return got;
    }

private:
    int m_fd = -1;
};

bool isLink(const QString& path) {
    struct stat st {};
    return ::lstat(path.toLocal8Bit().constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

template <typename Condition>
bool waitFor(Condition condition, int timeoutMs = 10000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(10);
    }
    return true;
}

} // namespace

TEST(SimLine, PtyCarriesBytesBothWaysAndItsLinkGoesWithIt) {
    QTemporaryDir dir;
    const std::string link = (dir.path() + "/detector").toStdString();
    std::string error;
    {
        auto line = SimLine::createPty(link, error);
        ASSERT_TRUE(line) << error;
        EXPECT_EQ(line->stationPath(), link);
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), line->device());

        StationEnd station(link);
        ASSERT_TRUE(station.isOpen());
        // Every byte value passes unchanged: the line is raw on both ends.
        Bytes all(256);
        std::iota(all.begin(), all.end(), 0);
        station.write(all);
        Bytes got;
        waitFor([&] {
            std::uint8_t buffer[512];
            const long n = line->read(buffer);
            got.insert(got.end(), buffer, buffer + std::max(0L, n));
            return got.size() >= all.size();
        });
        EXPECT_EQ(got, all);
        EXPECT_EQ(line->write(all), all.size());
        EXPECT_EQ(station.read(all.size()), all);
    }
    EXPECT_FALSE(isLink(QString::fromStdString(link)));
}

TEST(SimLine, ReplacesAStaleLinkButNeverAFile) {
    QTemporaryDir dir;
    const QString stale = dir.path() + "/stale";
    ASSERT_EQ(::symlink("/nonexistent/device", stale.toLocal8Bit().constData()), 0);
    std::string error;
    auto line = SimLine::createPty(stale.toStdString(), error);
    ASSERT_TRUE(line) << error;
    EXPECT_EQ(std::filesystem::read_symlink(stale.toStdString()).string(), line->device());

    const QString file = dir.path() + "/file";
    { std::ofstream(file.toStdString()) << "keep me"; }
    EXPECT_FALSE(SimLine::createPty(file.toStdString(), error));
    EXPECT_NE(error.find("not a symbolic link"), std::string::npos);
    std::ifstream in(file.toStdString());
    std::string kept;
    std::getline(in, kept);
    EXPECT_EQ(kept, "keep me");

    EXPECT_FALSE(SimLine::openDevice((dir.path() + "/none").toStdString(), error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
}

// The program as the station meets it: answers over the pty, takes console lines on its
// standard input, logs the frames, and removes its link when it ends.
TEST(DetectorSimProgram, AnswersLogsTakesConsoleCommandsAndCleansUp) {
    QTemporaryDir dir;
    const QString link = dir.path() + "/com1";
    const QString logPath = dir.path() + "/frames.log";
    QProcess sim;
    sim.start(DETECTOR_SIM_PATH, {"--link", link, "--log", logPath, "--seed", "3"});
    ASSERT_TRUE(sim.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return isLink(link); }));

    StationEnd station(link.toStdString());
    ASSERT_TRUE(station.isOpen());
    station.write(Poll);
    const Bytes screen = station.read(130);
    ASSERT_EQ(screen.size(), 130u);
    EXPECT_EQ(textOf(screen, 0, 4), "STS,");
    EXPECT_EQ(screenFields(screen)[1], "QND-123456 Ready");

    station.write(ReadSettings);
    const Bytes settings = station.read(55);
    ASSERT_EQ(settings.size(), 55u);
    EXPECT_TRUE(settingsChecksumGood(settings));

    sim.write("alarm 8\n");
    sim.waitForBytesWritten(5000);
    EXPECT_EQ(textOf(station.read(3)), "FBC");
    sim.write("quit\n");
    sim.waitForBytesWritten(5000);
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(isLink(link));

    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(log.readAll());
    EXPECT_TRUE(text.contains(" in poll 52 45 4D 4F 54 45 31 FD 0D\n"));
    EXPECT_TRUE(text.contains(" out screen-short 53 54 53 2C"));
    EXPECT_TRUE(text.contains(" in read-settings "));
    EXPECT_TRUE(text.contains(" out settings 53 45 54 53"));
    EXPECT_TRUE(text.contains(" out alarm 46 42 43\n"));
}

TEST(DetectorSimProgram, EndsCleanlyOnTerminateAndRefusesBadArguments) {
    QTemporaryDir dir;
    const QString link = dir.path() + "/com1";
    QProcess sim;
    sim.start(DETECTOR_SIM_PATH, {"--link", link});
    ASSERT_TRUE(sim.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return isLink(link); }));
    sim.closeWriteChannel(); // no console: it plays on
    QThread::msleep(200);
    EXPECT_EQ(sim.state(), QProcess::Running);
    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(isLink(link));

    for (const QStringList& args :
         {QStringList{"--alarms", "x"}, QStringList{"--link", link, "--device", "/dev/null"},
          QStringList{"extra"}}) {
        QProcess bad;
        bad.start(DETECTOR_SIM_PATH, args);
        ASSERT_TRUE(bad.waitForFinished(10000));
        EXPECT_EQ(bad.exitCode(), 2) << args.join(' ').toStdString();
    }
}

namespace {

void writeFile(const QString& path, const Bytes& bytes) {
    std::ofstream out(path.toStdString(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

// A recording of received chunks (every byte value among them) around sent ones.
Bytes replayRecording(Bytes& expected) {
    Bytes file = recordingHeader();
    Bytes all(256);
    std::iota(all.begin(), all.end(), 0);
    const Bytes chunks[] = {bytesOf("STS,first"), all, bytesOf("FBC"), bytesOf("SETS,last")};
    std::uint64_t t = 5000;
    for (const Bytes& chunk : chunks) {
        putRecord(file, t, 'S', Poll);
        putRecord(file, t + 20000, 'R', chunk);
        expected.insert(expected.end(), chunk.begin(), chunk.end());
        t += 40000;
    }
    return file;
}

} // namespace

// A recording drives the line: the received chunks arrive byte-exact and in order once the
// station sends, the sent ones never go out, and a cut recording plays up to the cut.
TEST(DetectorSimProgram, ReplaysARecordingOntoTheLine) {
    Bytes whole;
    const Bytes file = replayRecording(whole);
    const Bytes lastChunk = bytesOf("SETS,last");
    const Bytes upToCut(whole.begin(), whole.end() - long(lastChunk.size()));
    const struct {
        const char* name;
        Bytes file;
        Bytes expected;
        QStringList speed;
    } cases[] = {
        {"whole at 1x", file, whole, {}},
        {"whole as fast as possible", file, whole, {"--replay-speed", "0"}},
        {"cut inside the last record",
         Bytes(file.begin(), file.end() - 4),
         upToCut,
         {"--replay-speed", "4"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString link = dir.path() + "/com1";
        const QString recording = dir.path() + "/line.rec";
        writeFile(recording, c.file);
        QProcess sim;
        sim.start(DETECTOR_SIM_PATH, QStringList{"--link", link, "--replay", recording} + c.speed);
        ASSERT_TRUE(sim.waitForStarted());
        ASSERT_TRUE(waitFor([&] { return isLink(link); }));
        StationEnd station(link.toStdString());
        ASSERT_TRUE(station.isOpen());
        station.write(Poll); // the replay begins when the station first sends
        EXPECT_EQ(station.read(c.expected.size()), c.expected);
        EXPECT_TRUE(station.read(1, 300).empty()); // nothing more: no answers, no sent bytes
        sim.terminate();
        ASSERT_TRUE(sim.waitForFinished(10000));
        EXPECT_EQ(sim.exitCode(), 0);
        const QString out = QString::fromLatin1(sim.readAllStandardOutput());
        EXPECT_TRUE(out.contains("replay finished")) << out.toStdString();
    }
}

// What is not a recording is refused before the line is made, a pipe among them without
// waiting for anyone to write into it.
TEST(DetectorSimProgram, RefusesWhatIsNotARecordingWithAClearError) {
    QTemporaryDir dir;
    Bytes file = recordingHeader(2);
    const QString recording = dir.path() + "/foreign.rec";
    writeFile(recording, file);
    const QString fifo = dir.path() + "/pipe.rec";
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString link = dir.path() + "/com1";
    const struct {
        QStringList args;
        int exitCode;
        const char* says;
    } cases[] = {
        {{"--link", link, "--replay", recording}, 1, "version 2 is not known"},
        {{"--link", link, "--replay", dir.path() + "/none.rec"}, 1, "cannot read the recording"},
        {{"--link", link, "--replay", fifo}, 1, "it is a named pipe, not a regular file"},
        {{"--link", link, "--replay", dir.path()}, 1, "it is a folder, not a regular file"},
        {{"--link", link, "--replay", "/dev/null"}, 1, "it is a device, not a regular file"},
        {{"--replay", recording, "--replay-speed", "-1"}, 2, "--replay-speed takes"},
        {{"--replay-speed", "2"}, 2, "Usage"},
    };
    for (const auto& c : cases) {
        QProcess sim;
        sim.start(DETECTOR_SIM_PATH, c.args);
        ASSERT_TRUE(sim.waitForFinished(20000)) << c.args.join(' ').toStdString();
        EXPECT_EQ(sim.exitCode(), c.exitCode) << c.args.join(' ').toStdString();
        const QString err = QString::fromLatin1(sim.readAllStandardError());
        EXPECT_TRUE(err.contains(c.says)) << err.toStdString();
        EXPECT_FALSE(isLink(link)); // refused before the line is made
    }
}

// A damaged recording plays up to the damage; then the simulator says where it stopped and
// how much it played, and ends with status 1.
TEST(DetectorSimProgram, PlaysADamagedRecordingUpToTheDamageAndSaysWhereItStopped) {
    QTemporaryDir dir;
    Bytes file = recordingHeader();
    putRecord(file, 0, 'R', bytesOf("STS,"));
    putRecord(file, 10, 'Q', bytesOf("??"));
    putRecord(file, 20, 'R', bytesOf("FA1"));
    const QString recording = dir.path() + "/damaged.rec";
    writeFile(recording, file);
    const QString link = dir.path() + "/com1";

    QProcess sim;
    sim.setReadChannel(QProcess::StandardError);
    sim.start(DETECTOR_SIM_PATH, QStringList{"--link", link, "--replay", recording});
    ASSERT_TRUE(sim.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return isLink(link); }));
    StationEnd station(link.toStdString());
    ASSERT_TRUE(station.isOpen());
    station.write(Poll);
    EXPECT_EQ(station.read(4), bytesOf("STS,"));
    QString err;
    EXPECT_TRUE(waitFor([&] {
        sim.waitForReadyRead(50);
        err += QString::fromLatin1(sim.readAllStandardError());
        return err.contains('\n');
    }));
    EXPECT_EQ(err.toStdString(), "detector-sim: " + recording.toStdString() +
                                     ": replay stopped at byte 33: damaged record (unknown "
                                     "direction byte 81) after 1 record (1 played)\n");
    EXPECT_TRUE(station.read(1, 300).empty()) << "nothing after the damage";
    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitCode(), 1);
    EXPECT_TRUE(QString::fromLatin1(sim.readAllStandardOutput()).contains("replay finished"));
}
