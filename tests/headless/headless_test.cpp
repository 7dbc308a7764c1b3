// `remote --headless` as a real process on the detector simulator's pseudo-terminal, with
// a real broker: it polls as the window does, records, publishes, ends on SIGTERM with its
// history intact, and keeps out of a windowed station's way.
#include "mqtt/broker.h"

#include "remote/process/singleinstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include <sys/stat.h>

using namespace mqtttest;
using remote::process::SingleInstance;
using namespace std::chrono_literals;

namespace {

bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 30000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

bool isLink(const QString& path) {
    struct stat st {};
    return ::lstat(path.toLocal8Bit().constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

class Headless : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* folder : {"run", "data", "config/remote"}) {
            ASSERT_TRUE(QDir(dir.path()).mkpath(QString::fromLatin1(folder)));
        }
        QFile::setPermissions(path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        broker = std::make_unique<Broker>(path("broker").toStdString());
        ASSERT_TRUE(broker->start()) << broker->log();
        QFile ini(path("config/remote/remote.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[mqtt]\nhost=127.0.0.1\nport=%1\nstation=room1\n")
                      .arg(broker->port())
                      .toUtf8());
    }

    void TearDown() override {
        for (QProcess* p : {&station, &sim}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    bool startSimulator() {
        sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim.start(QStringLiteral(DETECTOR_SIM_PATH),
                  {QStringLiteral("--link"), path("com1"), QStringLiteral("--log"),
                   path("frames.log"), QStringLiteral("--seed"), QStringLiteral("5")});
        return sim.waitForStarted(10000) && waitUntil([this] { return isLink(path("com1")); });
    }

    // No display of any kind: the headless station must not need one.
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            env.remove(QString::fromLatin1(name));
        }
        env.insert(QStringLiteral("REMOTE_COM1"), path("com1"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("run"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path("data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        return env;
    }

    void start(QProcess& process, const QStringList& arguments) {
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(dir.path());
        process.setProcessChannelMode(QProcess::SeparateChannels);
        // Whatever the test runner ignores or blocks, the program starts as from systemd.
        process.setChildProcessModifier([] {
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            for (const int s : {SIGTERM, SIGINT, SIGHUP}) {
                ::signal(s, SIG_DFL);
            }
        });
        process.start(QStringLiteral(REMOTE_PATH), arguments);
    }

    int count(const char* direction, const char* what) const {
        QFile file(path("frames.log"));
        if (!file.open(QIODevice::ReadOnly)) {
            return 0;
        }
        int n = 0;
        while (!file.atEnd()) {
            const QList<QByteArray> words = file.readLine().trimmed().split(' ');
            n += words.size() >= 3 && words[1] == direction && words[2] == what;
        }
        return n;
    }

    static bool hasOn(const std::vector<Message>& messages, const std::string& topic,
                      const std::string& part) {
        for (const Message& m : messages) {
            if (m.topic == topic && m.payload.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    QTemporaryDir dir;
    std::unique_ptr<Broker> broker;
    QProcess sim;
    QProcess station;
};

TEST_F(Headless, PollsRecordsPublishesAndEndsOnSigtermWithItsHistoryIntact) {
    Subscriber sub(broker->port(), "remote/room1/#");
    ASSERT_TRUE(sub.waitSubscribed());
    ASSERT_TRUE(startSimulator());
    start(station, {QStringLiteral("--headless")});
    ASSERT_TRUE(station.waitForStarted(10000));

    // The loop is on from the start: poll and read-settings on the wire, as in the window.
    ASSERT_TRUE(waitUntil([this] {
        return count("in", "poll") >= 3 && count("in", "read-settings") >= 3;
    })) << station.readAllStandardError().toStdString();
    EXPECT_EQ(count("bad-checksum", "command"), 0);
    ASSERT_TRUE(sub.waitFor([](const std::vector<Message>& messages) {
        return hasOn(messages, "remote/room1/status", R"("state":"online","link":"open")") &&
               hasOn(messages, "remote/room1/settings", R"("SETID":)");
    })) << station.readAllStandardError().toStdString();

    sim.write("alarm 2\n");
    ASSERT_TRUE(sim.waitForBytesWritten(5000));
    ASSERT_TRUE(sub.waitFor([](const std::vector<Message>& messages) {
        return hasOn(messages, "remote/room1/alarm",
                     R"({"seq":1,"channel":2,"label":"Ext1(CH1) :","time":")");
    })) << station.readAllStandardError().toStdString();

    QElapsedTimer ending;
    ending.start();
    ASSERT_EQ(::kill(static_cast<pid_t>(station.processId()), SIGTERM), 0);
    ASSERT_TRUE(station.waitForFinished(30000));
    // The figure the service is built for (about a second at most); a loaded machine may
    // take longer, so it is shown rather than held against it.
    std::printf("headless end after SIGTERM: %lld ms\n", static_cast<long long>(ending.elapsed()));
    EXPECT_EQ(station.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(station.exitCode(), 0);
    const QString log = QString::fromLocal8Bit(station.readAllStandardError());
    EXPECT_TRUE(log.contains(QLatin1String("alarm on channel 2"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QLatin1String("MQTT: connected"))) << log.toStdString();

    // A clean end: "offline" in place of the will, and the history closed with its alarm.
    EXPECT_TRUE(sub.waitFor([](const std::vector<Message>& messages) {
        return hasOn(messages, "remote/room1/status", R"("state":"offline")");
    }));
    const QFileInfo wal(path("data/remote/alarm-history.sqlite3-wal"));
    EXPECT_TRUE(!wal.exists() || wal.size() == 0) << wal.size() << " bytes left in the log";
    QProcess exporter;
    start(exporter, {QStringLiteral("--export-history"), QStringLiteral("-")});
    ASSERT_TRUE(exporter.waitForFinished(30000));
    const QString csv = QString::fromUtf8(exporter.readAllStandardOutput());
    EXPECT_EQ(exporter.exitCode(), 0);
    EXPECT_TRUE(csv.contains(QLatin1String("Ext1(CH1) :"))) << csv.toStdString();
}

// A broker that refuses the password: said once in the log, however often the station
// tries again, and the station polls and records meanwhile.
TEST_F(Headless, AWrongPasswordIsReportedOnceAndTheStationKeepsMonitoring) {
    broker->stop();
    broker->addUser("room1", "right");
    ASSERT_TRUE(broker->start()) << broker->log();
    const QString passwordFile = path("config/remote/mqtt-password");
    QFile password(passwordFile);
    ASSERT_TRUE(password.open(QIODevice::WriteOnly));
    password.write("wrong\n");
    password.close();
    QFile::setPermissions(passwordFile, QFile::ReadOwner | QFile::WriteOwner);
    QFile ini(path("config/remote/remote.ini"));
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write(QStringLiteral("username=room1\npassword_file=%1\n").arg(passwordFile).toUtf8());
    ini.close();

    ASSERT_TRUE(startSimulator());
    start(station, {QStringLiteral("--headless")});
    ASSERT_TRUE(station.waitForStarted(10000));
    // Three refusals: the first attempt and two retries (after 1 s and 2 s).
    ASSERT_TRUE(waitUntil([this] {
        return QString::fromStdString(broker->log()).count(QLatin1String("not authorised")) >= 3;
    })) << broker->log();
    sim.write("alarm 3\n");
    ASSERT_TRUE(sim.waitForBytesWritten(5000));
    QByteArray log;
    ASSERT_TRUE(waitUntil([&] {
        log += station.readAllStandardError();
        return log.contains("alarm on channel 3");
    })) << log.toStdString();
    EXPECT_GE(count("in", "poll"), 3);

    ASSERT_EQ(::kill(static_cast<pid_t>(station.processId()), SIGTERM), 0);
    ASSERT_TRUE(station.waitForFinished(30000));
    log += station.readAllStandardError();
    EXPECT_EQ(log.count("refused by 127.0.0.1"), 1) << log.toStdString();
    EXPECT_TRUE(log.contains("not authorised")) << log.toStdString();
    EXPECT_EQ(station.exitCode(), 0);
}

TEST_F(Headless, RefusesToStartWhileAStationOfTheSameUserRuns) {
    ASSERT_TRUE(startSimulator());
    SingleInstance windowed(path("run"));
    ASSERT_EQ(windowed.tryLock(), SingleInstance::Result::First);
    start(station, {QStringLiteral("--headless")});
    ASSERT_TRUE(station.waitForFinished(30000));
    EXPECT_EQ(station.exitCode(), 1);
    EXPECT_TRUE(station.readAllStandardError().contains("another station of this user is running"));
    EXPECT_EQ(count("in", "poll"), 0) << "it never touched the line";
}

} // namespace
