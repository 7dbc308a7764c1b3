#include "privatebus.h"
#include "pseudoterminal.h"
#include "recording/recordingfiles.h"
#include "remote/alerts/alarmsound.h"
#include "remote/alerts/alertconfig.h"
#include "remote/alerts/commandrunner.h"
#include "remote/alerts/frmalerts.h"
#include "remote/alerts/stationalerts.h"
#include "remote/startup/frmmain.h"
#include "remote/startup/modcontrol.h"
#include "tests/support/deviceframes.h"
#include "tests/support/recordingmessagesink.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

using alertstest::FakeNotificationService;
using alertstest::PrivateBus;
using remote::alerts::StationAlerts;
using remote::startup::frmMain;
using remote::startup::modControl;

namespace {

namespace device = remote::link::device;

QByteArray bytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

QByteArray code(int channel) {
    const auto c = device::AlarmCode(channel);
    return QByteArray(reinterpret_cast<const char*>(c.data()), 3);
}

// The real station on a pseudo-terminal as Com1, with its session bus the test's own and
// its configuration file in a temporary folder. Ticks are driven by hand.
class StationOnALine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(PrivateBus::instance().running())
            << PrivateBus::instance().error().toStdString();
        ASSERT_TRUE(dir.isValid());
        for (const char* sub : {"program", "user", "run", "config"}) {
            QDir(dir.path()).mkpath(sub);
        }
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath("config"));
        std::filesystem::copy_file(std::filesystem::path(TEST_BINARY_DIR) / "bin" / "Kvrset.mdb",
                                   std::filesystem::path(dir.filePath("program").toStdString()) /
                                       "Kvrset.mdb");
    }

    // The [alerts] keys as the dialog would write them.
    void configure(const std::map<QString, QString>& keys) {
        QSettings ini(QSettings::IniFormat, QSettings::UserScope, "remote", "remote");
        for (const auto& [k, v] : keys) {
            ini.setValue("alerts/" + k, v);
        }
    }

    // Starts the station; alertsSection is the [alerts] section written by hand.
    void start(const QByteArray& alertsSection = {}) {
        if (!alertsSection.isEmpty()) {
            QDir(dir.filePath("config")).mkpath("remote");
            QFile ini(dir.filePath("config/remote/remote.ini"));
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write("[alerts]\n" + alertsSection);
        }
        control = std::make_unique<modControl>(
            sink,
            modControl::Folders{dir.filePath("program"), dir.filePath("user"), dir.filePath("run")},
            [](int) {});
        ASSERT_TRUE(control->StartProgram());
        control->splash()->timLoad_Timer();
        control->splash()->tim_exit_Timer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        main = control->mainWindow();
        ASSERT_NE(main, nullptr);
        main->Timer1.stop();
        alerts = main->records().alerts();
        ASSERT_NE(alerts, nullptr);
        QObject::connect(
            &main->records().history(), &remote::history::HistoryLog::alarmStored,
            [this](const remote::history::AlarmRecord& a) { stored.push_back(a.channel); });
    }

    void TearDown() override {
        control.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        service.reset();
    }

    QString caption(const char* name) {
        auto* label = main->findChild<QWidget*>(QString::fromLatin1(name));
        return label ? label->accessibleName() : QString();
    }

    // Writes bytes, then a screen frame; once it shows, everything before it was handled.
    void feedAndSettle(const QByteArray& data) {
        static int serial = 0;
        const std::string marker = "SETTLE " + std::to_string(++serial);
        const std::vector<std::string> fields{"", marker, "b", "c", "d", "e"};
        pty.write(data + bytes(device::ScreenFrame(device::ScreenForm::Short, fields)));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return caption("BSCREEN_0") == QString::fromStdString(marker); }, 10000));
    }

    // The labels turn red at the tick after the code (that is when an alarm is handed on),
    // and black again at the end of their hold time.
    void fade() {
        for (int i = 0; i <= remote::link::protocol::AlarmHoldTicks; ++i) {
            main->Timer1_Timer();
        }
    }

    QTemporaryDir dir;
    RecordingMessageSink sink;
    serialtest::Pty pty;
    serialtest::ComVariable com1{1, pty.slavePath()};
    std::unique_ptr<FakeNotificationService> service;
    std::unique_ptr<modControl> control;
    frmMain* main = nullptr;
    StationAlerts* alerts = nullptr;
    std::vector<int> stored;
};

} // namespace

// Alarms from the line become notifications and runs of the command; a muted channel and a
// replayed alarm reach neither (the history too keeps only the live ones it always kept).
TEST_F(StationOnALine, LiveAlarmsOfAlertingChannelsReachTheSinksAndNoneElse) {
    service = std::make_unique<FakeNotificationService>(QStringLiteral("service"));
    ASSERT_TRUE(service->registered());
    const QString envFile = dir.filePath("env");
    configure({{"channels", "0,1,2,3,4,5,6,7"},
               {"sound", "false"},
               {"command", "/bin/sh -c \"echo $REMOTE_ALARM_CHANNEL >> $0\" " + envFile}});
    start();
    EXPECT_FALSE(alerts->settings().alerts(8));

    feedAndSettle(code(2));
    fade();
    feedAndSettle(code(8)); // muted
    fade();
    feedAndSettle(code(2) + code(4));
    fade();
    ASSERT_TRUE(QTest::qWaitFor([&] { return service->calls.size() >= 3; }, 20000))
        << service->calls.size() << " calls; " << alerts->statusText().toStdString() << "; stored "
        << stored.size();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return alerts->commands().queue().running() == 0 && QFile(envFile).size() >= 6; },
        20000));

    // A replay of the same channels: shown in the window, sent nowhere.
    std::vector<std::uint8_t> rec = remote::recording::encodeHeader();
    for (int i = 0; i < 3; ++i) {
        const auto c = device::AlarmCode(i);
        remote::recording::appendRecord(
            rec, remote::recording::Chunk{static_cast<std::uint64_t>(i) * 1000,
                                          remote::recording::Direction::Received,
                                          {c.begin(), c.end()}});
    }
    const auto path = std::filesystem::path(dir.filePath("replay.rec").toStdString());
    recordingtest::writeBytes(path, rec);
    fade();
    ASSERT_TRUE(main->records().startReplay(QString::fromStdString(path.string()), 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main->records().replaying(); }, 20000));
    main->Timer1_Timer();
    QTest::qWait(300);

    // Channel 2's second alarm waits for the answer to its first call, so on a slow machine
    // channel 4's call may come between them: the calls are checked per channel.
    std::vector<std::size_t> channel2;
    std::vector<QString> summaries;
    for (std::size_t i = 0; i < service->calls.size(); ++i) {
        summaries.push_back(service->calls[i].summary);
        if (service->calls[i].summary == QStringLiteral("Alarm: Ext1(CH1)")) {
            channel2.push_back(i);
        }
    }
    std::sort(summaries.begin(), summaries.end());
    EXPECT_EQ(summaries,
              (std::vector<QString>{"Alarm: Ext1(CH1)", "Alarm: Ext1(CH1)", "Alarm: Ext3(Video)"}));
    ASSERT_EQ(channel2.size(), 2u);
    const auto& first = service->calls[channel2[0]];
    const auto& second = service->calls[channel2[1]];
    EXPECT_EQ(second.replacesId, first.id) << "the burst replaced it";
    EXPECT_TRUE(second.body.contains("2 alarms on this channel"));
    QFile env(envFile);
    ASSERT_TRUE(env.open(QIODevice::ReadOnly));
    QList<QByteArray> channels = env.readAll().trimmed().split('\n');
    std::sort(channels.begin(), channels.end()); // two of them ran side by side
    EXPECT_EQ(channels, (QList<QByteArray>{"2", "2", "4"}));
    EXPECT_EQ(stored, (std::vector<int>{2, 8, 2, 4})) << "the history keeps every live alarm";
}

// On a machine with no notification service, no tray (offscreen) and maybe no sound, each
// missing piece is said once in the status bar and the station goes on: the history and
// the command still get every alarm.
TEST_F(StationOnALine, WhatIsMissingIsSaidOnceAndTheStationRunsOn) {
    const QString envFile = dir.filePath("env");
    configure({{"command", "/bin/sh -c \"echo $REMOTE_ALARM_CHANNEL >> $0\" " + envFile}});
    start();
    QSignalSpy status(alerts, &StationAlerts::statusChanged);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return alerts->statusText().contains("No notification service"); }, 20000));
    const QString text = alerts->statusText();
    EXPECT_TRUE(text.contains("No system tray on this desktop")) << text.toStdString();
    if (!alerts->sound().deviceFound()) {
        EXPECT_TRUE(text.contains("No audio device")) << text.toStdString();
    }
    const int changes = status.count();
    for (int i = 0; i < 3; ++i) {
        feedAndSettle(code(i));
        fade();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile(envFile).size() >= 6; }, 20000));
    QTest::qWait(300);
    EXPECT_EQ(stored, (std::vector<int>{0, 1, 2}));
    // The notification's failure was already said; the journal's (if none runs) is said by
    // the first alarm at most.
    EXPECT_LE(status.count(), changes + 1);
    EXPECT_EQ(main->findChild<QLabel*>("lblAlerts")->text(), alerts->statusText());
}

// A value that cannot be read takes its default with one warning; the dialog's OK writes
// the keys to the file and the station reads them back.
TEST_F(StationOnALine, TheDialogWritesTheKeysAndTheStationReadsThemBack) {
    start("volume=loud\nchannels=1,3\n");
    EXPECT_EQ(alerts->settings().volume, 80);
    EXPECT_EQ(remote::alerts::channelList(alerts->settings().channels), "1,3");
    EXPECT_TRUE(alerts->statusText().contains("volume \"loud\" is not 0 to 100"))
        << alerts->statusText().toStdString();

    QAction* entry = nullptr;
    for (QAction* menu : main->menuBar()->actions()) {
        if (menu->menu()) {
            for (QAction* a : menu->menu()->actions()) {
                if (a->text() == "Alerts...") {
                    entry = a;
                }
            }
        }
    }
    ASSERT_NE(entry, nullptr) << "View > Alerts...";
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<remote::alerts::frmAlerts*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen = true;
        EXPECT_EQ(dialog->sldVolume->value(), 80);
        EXPECT_TRUE(dialog->chkChannel[1]->isChecked());
        EXPECT_FALSE(dialog->chkChannel[2]->isChecked());
        dialog->chkNotify->setChecked(false);
        dialog->chkTray->setChecked(false);
        dialog->sldVolume->setValue(35);
        dialog->chkChannel[2]->setChecked(true);
        dialog->txtCommand->setText("/usr/bin/logger -t alarm");
        dialog->findChild<QPushButton*>("cmdOK")->click();
    });
    entry->trigger();
    ASSERT_TRUE(seen);
    EXPECT_FALSE(alerts->settings().notify);
    EXPECT_EQ(alerts->settings().volume, 35);
    EXPECT_EQ(remote::alerts::channelList(alerts->settings().channels), "1,2,3");
    EXPECT_FALSE(alerts->statusText().contains("loud")) << "the file was read again";
    QTest::qWait(200); // a check of the service still on its way says nothing now
    EXPECT_FALSE(alerts->statusText().contains("notification"))
        << alerts->statusText().toStdString();
    EXPECT_FALSE(alerts->statusText().contains("tray")) << "what is off is not missing";
    EXPECT_EQ(alerts->commands().command(), "/usr/bin/logger -t alarm");

    const QString file = remote::alerts::alertConfigFile();
    EXPECT_EQ(file, dir.filePath("config/remote/remote.ini"));
    EXPECT_EQ(QFile::permissions(file),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser)
        << "the command it names is private";
    QSettings ini(file, QSettings::IniFormat);
    EXPECT_EQ(ini.value("alerts/volume").toString(), "35");
    EXPECT_EQ(ini.value("alerts/notify").toString(), "false");
    EXPECT_EQ(ini.value("alerts/tray").toString(), "false");
    const auto read = remote::alerts::loadAlertSettings();
    EXPECT_EQ(read.warning, "");
    EXPECT_EQ(read.settings, alerts->settings());
}
