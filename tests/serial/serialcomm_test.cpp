#include "pseudoterminal.h"
#include "remote/link/commandframe.h"
#include "remote/serial/devicepath.h"
#include "remote/serial/portsettings.h"
#include "remote/serial/portwarning.h"
#include "remote/serial/serialcomm.h"
#include "remote/serial/serialconstants.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <ctime>
#include <termios.h>

namespace {

using remote::serial::PortSettings;
using remote::serial::SerialComm;
using serialtest::ComVariable;
using serialtest::Pty;
using namespace std::chrono_literals;

QByteArray allByteValues() {
    QByteArray bytes;
    for (int b = 0; b < 256; ++b) {
        bytes.append(static_cast<char>(b));
    }
    return bytes;
}

// ---- The settings text ----

struct SettingsCase {
    const char* text;
    std::optional<PortSettings> parsed;
};

class SettingsText : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsText, IsReadPartByPart) {
    EXPECT_EQ(remote::serial::parsePortSettings(GetParam().text), GetParam().parsed)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsText,
    ::testing::Values(SettingsCase{"9600,n,8,1", PortSettings{9600, 'n', 8, "1"}},
                      SettingsCase{"9600,e,5,1.5", PortSettings{9600, 'e', 5, "1.5"}},
                      SettingsCase{"256000,M,7,2", PortSettings{256000, 'm', 7, "2"}},
                      SettingsCase{" 19200 ,O, 4 , 2 ", PortSettings{19200, 'o', 4, "2"}},
                      SettingsCase{"110,S,6,1", PortSettings{110, 's', 6, "1"}},
                      SettingsCase{"", {}}, SettingsCase{"9600,n,8", {}},
                      SettingsCase{"9600,n,8,1,1", {}}, SettingsCase{"96OO,n,8,1", {}},
                      SettingsCase{"0,n,8,1", {}}, SettingsCase{"-9600,n,8,1", {}},
                      SettingsCase{"9600.5,n,8,1", {}}, SettingsCase{"99999999999,n,8,1", {}},
                      SettingsCase{"9600,x,8,1", {}}, SettingsCase{"9600,No,8,1", {}},
                      SettingsCase{"9600,n,3,1", {}}, SettingsCase{"9600,n,9,1", {}},
                      SettingsCase{"9600,n,8,1.0", {}}, SettingsCase{"9600,n,8,3", {}}));

TEST(SettingsText, IsWrittenWithALowerCaseParityAndNoBlanks) {
    EXPECT_EQ(remote::serial::portSettingsText({9600, 'n', 8, "1"}), "9600,n,8,1");
    EXPECT_EQ(remote::serial::portSettingsText({256000, 'e', 5, "1.5"}), "256000,e,5,1.5");
}

// ---- Port numbers and devices ----

TEST(DevicePath, ComNIsTheNthSerialDeviceUnlessTheEnvironmentSaysOtherwise) {
    qunsetenv("REMOTE_COM1");
    qunsetenv("REMOTE_COM16");
    EXPECT_EQ(remote::serial::devicePathFor(1), "/dev/ttyS0");
    EXPECT_EQ(remote::serial::devicePathFor(16), "/dev/ttyS15");
    EXPECT_EQ(remote::serial::devicePathFor(0), "");
    EXPECT_EQ(remote::serial::devicePathFor(17), "");
    {
        ComVariable usb(16, "/dev/ttyUSB0");
        EXPECT_EQ(remote::serial::devicePathFor(16), "/dev/ttyUSB0");
        EXPECT_EQ(remote::serial::devicePathFor(1), "/dev/ttyS0");
    }
    ComVariable empty(1, "");
    EXPECT_EQ(remote::serial::devicePathFor(1), "/dev/ttyS0") << "an empty value is no override";
}

TEST(DevicePath, ThePermissionHintNamesTheDevicesGroupAndHowToJoinIt) {
    QTemporaryDir folder;
    const QString device = folder.filePath("ttyX");
    QFile file(device);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QString hint = remote::serial::permissionHint(device);
    EXPECT_TRUE(hint.contains(device)) << hint.toStdString();
    EXPECT_TRUE(hint.contains("usermod -aG")) << hint.toStdString();
}

TEST(SerialComm, PortNumbersOutsideOneToSixteenAreRefused) {
    SerialComm comm;
    for (const int number : {0, -1, 17, 255}) {
        EXPECT_FALSE(comm.setCommPort(number)) << number;
        EXPECT_EQ(comm.errorText(), "Invalid port number");
        EXPECT_EQ(comm.CommPort(), 1) << "the number stays as it was";
    }
    EXPECT_TRUE(comm.setCommPort(16));
}

TEST(SerialComm, ADeviceThatIsNotThereFailsTheOpenWithTheSystemsText) {
    ComVariable missing(2, "/nonexistent/ttyQ9");
    SerialComm comm;
    ASSERT_TRUE(comm.setCommPort(2));
    EXPECT_FALSE(comm.setPortOpen(true));
    EXPECT_EQ(comm.errorText(), "No such file or directory");
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(comm.connection(), SerialComm::Connection::Closed);
    EXPECT_FALSE(comm.Output(0x41));
    EXPECT_EQ(comm.errorText(), "Operation valid only when the port is open");
}

// ---- The warning for a port that failed ----

struct WarningCase {
    const char* name;
    remote::serial::PortProblem problem;
    int number;
    const char* device;
    const char* system;
    const char* text;
};

class PortWarning : public ::testing::TestWithParam<WarningCase> {};

TEST_P(PortWarning, NamesThePortAndDeviceSaysWhatHappenedThenTheSystemsText) {
    const WarningCase& c = GetParam();
    EXPECT_EQ(remote::serial::portWarningText(c.problem, c.number, QString::fromUtf8(c.device),
                                              QString::fromUtf8(c.system)),
              QString::fromUtf8(c.text));
}

using remote::serial::PortProblem;
INSTANTIATE_TEST_SUITE_P(
    Table, PortWarning,
    ::testing::Values(
        WarningCase{"unplugged", PortProblem::Disconnected, 1, "/dev/ttyUSB0",
                    "Inappropriate ioctl for device",
                    "Com1 (/dev/ttyUSB0): the device was disconnected. (Inappropriate ioctl for "
                    "device)"},
        WarningCase{"missing", PortProblem::NotOpened, 1, "/dev/ttyS0", "No such file or directory",
                    "Com1 (/dev/ttyS0): the device could not be opened. (No such file or "
                    "directory)"},
        WarningCase{"lastPort", PortProblem::NotOpened, 16, "/dev/ttyS15",
                    "Device or resource busy",
                    "Com16 (/dev/ttyS15): the device could not be opened. (Device or resource "
                    "busy)"},
        WarningCase{"permissionAdvice", PortProblem::NotOpened, 3, "/dev/ttyACM0",
                    "Permission denied\n\n/dev/ttyACM0 belongs to the group \"dialout\".",
                    "Com3 (/dev/ttyACM0): the device could not be opened. (Permission denied)\n\n"
                    "/dev/ttyACM0 belongs to the group \"dialout\"."},
        WarningCase{"numberZero", PortProblem::NotOpened, 0, "", "Invalid port number",
                    "Com0: there is no such port; ports run from Com1 to Com16. (Invalid port "
                    "number)"},
        WarningCase{"numberTooHigh", PortProblem::NotOpened, 17, "", "Invalid port number",
                    "Com17: there is no such port; ports run from Com1 to Com16. (Invalid port "
                    "number)"},
        WarningCase{"noSystemText", PortProblem::Disconnected, 2, "/dev/ttyUSB1", "",
                    "Com2 (/dev/ttyUSB1): the device was disconnected."},
        WarningCase{"markupInTheDevice", PortProblem::NotOpened, 4, "/dev/<b>x</b>",
                    "No such file or directory",
                    "Com4 (/dev/<b>x</b>): the device could not be opened. (No such file or "
                    "directory)"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- On a pseudo-terminal ----

class SerialCommOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(comm.setCommPort(1));
        ASSERT_TRUE(comm.setPortOpen(true)) << comm.errorText().toStdString();
        comm.setPortOpened(true);
    }

    termios lineSettings() const {
        termios tio{};
        ::tcgetattr(pty.slave(), &tio);
        return tio;
    }

    Pty pty;
    ComVariable com1{1, pty.slavePath()};
    SerialComm comm;
};

TEST_F(SerialCommOnPty, OpensWithNineThousandSixHundredEightNoneOneAndNoHandshake) {
    EXPECT_TRUE(comm.PortOpen());
    EXPECT_EQ(comm.Settings(), "9600,n,8,1");
    EXPECT_EQ(comm.Handshaking(), 0);
    const termios tio = lineSettings();
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
}

TEST_F(SerialCommOnPty, EveryByteValuePassesUnchangedInBothDirections) {
    for (const char b : allByteValues()) {
        ASSERT_TRUE(comm.Output(static_cast<std::uint8_t>(b)));
    }
    EXPECT_EQ(pty.read(256).toHex(' '), allByteValues().toHex(' '));

    int events = 0;
    QObject::connect(&comm, &SerialComm::OnComm, [&] { ++events; });
    pty.write(allByteValues());
    QByteArray received;
    const bool all = QTest::qWaitFor(
        [&] {
            while (comm.InBufferCount() > 0) {
                received.append(static_cast<char>(*comm.Input()));
            }
            return received.size() >= 256;
        },
        3000);
    EXPECT_TRUE(all);
    EXPECT_EQ(received.toHex(' '), allByteValues().toHex(' '));
    EXPECT_GE(events, 1);
    EXPECT_EQ(comm.CommEvent(), remote::serial::comEvReceive);
    EXPECT_EQ(comm.Input(), std::nullopt) << "nothing left";
}

TEST_F(SerialCommOnPty, ThePollFrameReachesTheOtherEndByteForByte) {
    const auto poll = remote::link::PollCommand();
    for (const std::uint8_t b : poll.bytes()) {
        comm.writeByte(b);
    }
    EXPECT_EQ(pty.read(9).toHex(' '), "52 45 4d 4f 54 45 31 fd 0d");
}

TEST_F(SerialCommOnPty, NothingIsWrittenWhileSendingIsOff) {
    comm.setPortOpened(false);
    EXPECT_FALSE(comm.PortOpened());
    // The link checks the flag before each byte; the port itself still writes when asked.
    const auto frame = remote::link::ReadSettingsCommand();
    for (const std::uint8_t b : frame.bytes()) {
        comm.writeByte(b);
    }
    EXPECT_EQ(pty.read(14).toHex(' '), "00 00 00 00 00 53 45 54 44 41 54 41 06 0d");
}

TEST_F(SerialCommOnPty, TheNumberCannotChangeWhileTheLineIsOpen) {
    EXPECT_FALSE(comm.setCommPort(2));
    EXPECT_EQ(comm.errorText(), "Port already open");
    EXPECT_FALSE(comm.setPortOpen(true));
    EXPECT_EQ(comm.errorText(), "Port already open");
    EXPECT_TRUE(comm.setPortOpen(false));
    EXPECT_TRUE(comm.setCommPort(2));
}

// A pseudo-terminal always keeps 8 data bits and no parity, so those two are left to real
// hardware; speed, stop bits and handshake are checked on the line itself.
struct LineCase {
    const char* settings;
    int handshaking;
    speed_t speed;
    bool twoStopBits;
    bool rtsCts;
    bool xonXoff;
};

class LineSettings : public SerialCommOnPty, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LineSettings, AreAppliedToTheOpenLine) {
    const LineCase& c = GetParam();
    ASSERT_TRUE(comm.setSettings(c.settings)) << comm.errorText().toStdString();
    ASSERT_TRUE(comm.setHandshaking(c.handshaking)) << comm.errorText().toStdString();
    const termios tio = lineSettings();
    EXPECT_EQ(cfgetospeed(&tio), c.speed);
    EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.twoStopBits);
    EXPECT_EQ((tio.c_cflag & CRTSCTS) != 0, c.rtsCts);
    EXPECT_EQ((tio.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF), c.xonXoff);
    EXPECT_EQ(comm.Handshaking(), c.handshaking);
}

INSTANTIATE_TEST_SUITE_P(Table, LineSettings,
                         ::testing::Values(LineCase{"9600,n,8,1", 0, B9600, false, false, false},
                                           LineCase{"19200,n,8,2", 1, B19200, true, false, true},
                                           LineCase{"115200,N,8,1", 2, B115200, false, true, false},
                                           LineCase{"4800,n,8,2", 3, B4800, true, true, true}));

TEST_F(SerialCommOnPty, ARefusedSettingKeepsWhatTheLineHad) {
    ASSERT_TRUE(comm.setSettings("19200,n,8,2"));
    for (const char* bad : {"9600,x,8,1", "abc", "9600,n,4,1"}) {
        EXPECT_FALSE(comm.setSettings(bad)) << bad;
        EXPECT_FALSE(comm.errorText().isEmpty());
        EXPECT_EQ(comm.Settings(), "19200,n,8,2");
        EXPECT_EQ(cfgetospeed(&static_cast<const termios&>(lineSettings())),
                  static_cast<speed_t>(B19200));
    }
    for (const int bad : {-1, 4}) {
        EXPECT_FALSE(comm.setHandshaking(bad));
        EXPECT_EQ(comm.errorText(), "Invalid property value");
        EXPECT_EQ(comm.Handshaking(), 0);
    }
}

TEST_F(SerialCommOnPty, TheLineStateHasOneRecordThatClosingOnPurposeClearsAltogether) {
    EXPECT_TRUE(comm.PortOpen());
    EXPECT_TRUE(comm.PortOpened());
    ASSERT_TRUE(comm.setPortOpen(false));
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_FALSE(comm.PortOpened()) << "sending cannot outlive the line";
    EXPECT_EQ(comm.connection(), SerialComm::Connection::Closed);
    comm.writeByte(0x41);
    EXPECT_EQ(pty.read(1, 300).size(), 0);

    // Reopened, the line sends only once sending is switched on again.
    ASSERT_TRUE(comm.setPortOpen(true));
    EXPECT_TRUE(comm.PortOpen());
    EXPECT_FALSE(comm.PortOpened());
    comm.setPortOpened(true);
    EXPECT_TRUE(comm.PortOpened());
}

TEST_F(SerialCommOnPty, WaitingBytesAreTakenInOneReadInTheirOrder) {
    QByteArray sent;
    for (int i = 0; i < 600; ++i) {
        sent.append(static_cast<char>(i * 7));
    }
    pty.write(sent);
    ASSERT_TRUE(QTest::qWaitFor([this] { return comm.InBufferCount() == 600; }, 20000));
    const std::vector<std::uint8_t> taken = comm.InputAll();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(taken.data()),
                         static_cast<qsizetype>(taken.size())),
              sent);
    EXPECT_TRUE(comm.InputAll().empty()) << "nothing left, and the call returns";
    comm.setPortOpen(false);
    EXPECT_TRUE(comm.InputAll().empty());
    EXPECT_EQ(comm.InBufferCount(), 0);
}

// ---- A device that vanishes and comes back ----

class Unplug : public ::testing::Test {
protected:
    void SetUp() override {
        device.pointAt(first->slavePath());
        comm.setReconnectInterval(kInterval);
        QObject::connect(&comm, &SerialComm::deviceLost, [this](const QString& text) {
            ++lost;
            lostText = text;
        });
        QObject::connect(&comm, &SerialComm::deviceRestored, [this] { ++restored; });
        QObject::connect(&comm, &SerialComm::OnComm, [this] { ++received; });
        ASSERT_TRUE(comm.setCommPort(3));
        ASSERT_TRUE(comm.setPortOpen(true)) << comm.errorText().toStdString();
        comm.setPortOpened(true);
    }

    // Process CPU time, to tell a program that waits from one that spins.
    static double cpuSeconds() {
        timespec t{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
    }

    void pull() {
        first->unplug();
        device.remove();
        ASSERT_TRUE(QTest::qWaitFor([this] { return lost > 0; }, 20000)) << "loss not seen";
    }

    static constexpr std::chrono::milliseconds kInterval{100};
    QTemporaryDir folder;
    serialtest::DeviceLink device{folder.filePath("ttyREMOTE").toStdString()};
    std::unique_ptr<Pty> first = std::make_unique<Pty>();
    ComVariable com3{3, device.path()};
    SerialComm comm;
    int lost = 0;
    int restored = 0;
    int received = 0;
    QString lostText;
};

TEST_F(Unplug, ClosesAtOnceWarnsOnceAndWaitsWithoutSpinning) {
    pull();
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_FALSE(comm.PortOpened());
    EXPECT_EQ(comm.connection(), SerialComm::Connection::Lost);
    EXPECT_FALSE(lostText.isEmpty());
    EXPECT_TRUE(comm.connectionText().contains("lost")) << comm.connectionText().toStdString();

    const int attemptsBefore = comm.reconnectAttempts();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(1000);
    const double cpuUsed = cpuSeconds() - cpuBefore;
    // The search goes on, on the timer: more attempts come, however slowly a busy machine
    // lets them, but never more than the time allows.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return comm.reconnectAttempts() - attemptsBefore >= 2; }, 20000))
        << "the device is looked for on a timer";
    const int attempts = comm.reconnectAttempts() - attemptsBefore;
    EXPECT_LE(attempts, clock.elapsed() / (kInterval.count() / 2) + 2)
        << "about once per interval, no faster";

    EXPECT_EQ(lost, 1) << "one warning per loss";
    EXPECT_EQ(received, 0);
    EXPECT_LT(cpuUsed, 0.5) << "a vanished device must not keep the event loop busy";

    comm.writeByte(0x52); // dropped quietly while the device is away
    EXPECT_FALSE(comm.PortOpen());
}

TEST_F(Unplug, ABytePutOnAVanishedLineIsALossWithOneWarningAndTheSameSearch) {
    // The link's next byte may be what finds the device gone, before any read does.
    first->unplug();
    device.remove();
    const auto poll = remote::link::PollCommand(); // the frame outlives the loop over its bytes
    for (const std::uint8_t b : poll.bytes()) {
        comm.writeByte(b);
    }
    ASSERT_TRUE(QTest::qWaitFor([this] { return lost > 0; }, 20000)) << "loss not seen";
    EXPECT_FALSE(comm.PortOpened());
    EXPECT_EQ(comm.connection(), SerialComm::Connection::Lost);
    EXPECT_FALSE(comm.Output(0x41)) << "a lost line refuses bytes";
    QTest::qWait(300);
    EXPECT_EQ(lost, 1) << "one warning per loss, whoever found it";

    Pty second;
    device.pointAt(second.slavePath());
    ASSERT_TRUE(QTest::qWaitFor([this] { return restored == 1; }, 20000));
    EXPECT_TRUE(comm.PortOpened()) << "sending resumes as after an unplug";
    comm.writeByte(0x52);
    EXPECT_EQ(second.read(1).toHex(), "52");
}

TEST_F(Unplug, SendingResumesWhenANewDeviceAppearsAtTheSamePath) {
    pull();
    QTest::qWait(300);
    Pty second;
    device.pointAt(second.slavePath());
    ASSERT_TRUE(QTest::qWaitFor([this] { return restored == 1; }, 20000));
    EXPECT_TRUE(comm.PortOpen());
    EXPECT_TRUE(comm.PortOpened());
    EXPECT_EQ(comm.connection(), SerialComm::Connection::Open);
    EXPECT_EQ(lost, 1);

    const auto poll = remote::link::PollCommand();
    for (const std::uint8_t b : poll.bytes()) {
        comm.writeByte(b);
    }
    EXPECT_EQ(second.read(9).toHex(' '), "52 45 4d 4f 54 45 31 fd 0d");
    second.write("STS,");
    EXPECT_TRUE(QTest::qWaitFor([this] { return comm.InBufferCount() == 4; }, 20000));

    // A second pull is a second loss, and warns again.
    second.unplug();
    device.remove();
    EXPECT_TRUE(QTest::qWaitFor([this] { return lost == 2; }, 20000));
}

TEST_F(Unplug, ClosingOnPurposeStopsTheSearch) {
    pull();
    comm.setPortOpen(false);
    EXPECT_EQ(comm.connection(), SerialComm::Connection::Closed);
    const int attempts = comm.reconnectAttempts();
    Pty second;
    device.pointAt(second.slavePath());
    QTest::qWait(400);
    EXPECT_EQ(comm.reconnectAttempts(), attempts);
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(restored, 0);
}

TEST_F(Unplug, SendingStaysOffAfterReturnWhenItWasOffBefore) {
    comm.setPortOpened(false);
    pull();
    Pty second;
    device.pointAt(second.slavePath());
    ASSERT_TRUE(QTest::qWaitFor([this] { return restored == 1; }, 20000));
    EXPECT_TRUE(comm.PortOpen());
    EXPECT_FALSE(comm.PortOpened());
}

} // namespace
