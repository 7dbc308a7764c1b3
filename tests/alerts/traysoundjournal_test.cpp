#include "remote/alerts/alarmsound.h"
#include "remote/alerts/alarmtone.h"
#include "remote/alerts/alerttexts.h"
#include "remote/alerts/frmalerts.h"
#include "remote/alerts/journalsink.h"
#include "remote/alerts/trayalerts.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QSlider>
#include <QSoundEffect>
#include <QSystemTrayIcon>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

using namespace remote::alerts;

// Each look is told by the colour at its centre ring and by its mark, at every tray size.
TEST(TrayImage, EachLookHasItsOwnColourAndMark) {
    for (const int size : {16, 22, 32, 48}) {
        SCOPED_TRACE(size);
        const QImage quiet = trayImage(TrayLook::Quiet, size);
        const QImage alarm = trayImage(TrayLook::Alarm, size);
        const QImage lost = trayImage(TrayLook::LinkLost, size);
        ASSERT_EQ(quiet.size(), QSize(size, size));
        const QPoint ring(size / 4, size / 2); // inside the disc, off every mark
        EXPECT_EQ(quiet.pixelColor(ring), QColor(0x20, 0xA0, 0x40));
        EXPECT_EQ(alarm.pixelColor(ring), QColor(0xC0, 0, 0));
        EXPECT_EQ(lost.pixelColor(ring), QColor(0x80, 0x80, 0x80));
        EXPECT_EQ(quiet.pixelColor(0, 0).alpha(), 0) << "corners see through";
        // The alarm's bar runs down the middle, the lost link's cross through the corners'
        // diagonal; the quiet look has neither.
        const QPoint bar(size / 2, size * 3 / 8);
        const QPoint diagonal(size * 5 / 16, size * 5 / 16);
        EXPECT_GT(alarm.pixelColor(bar).lightness(), 200);
        EXPECT_LT(alarm.pixelColor(diagonal).lightness(), 150);
        EXPECT_GT(lost.pixelColor(diagonal).lightness(), 200);
        EXPECT_LT(quiet.pixelColor(bar).lightness(), 150);
        EXPECT_LT(quiet.pixelColor(diagonal).lightness(), 150);
    }
}

TEST(TrayAlerts, WithoutATrayItIsSaidOnceAndTheStateIsStillKept) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        GTEST_SKIP() << "this desktop has a tray";
    }
    TrayAlerts tray;
    QSignalSpy unavailable(&tray, &TrayAlerts::unavailable);
    tray.setEnabled(true);
    tray.setEnabled(true);
    EXPECT_FALSE(tray.shown());
    ASSERT_EQ(unavailable.count(), 1);
    EXPECT_EQ(unavailable[0][0].toString(), "No system tray on this desktop");
    tray.setLinkUp(false);
    EXPECT_EQ(tray.look(), TrayLook::LinkLost);
    tray.alarm("Last alarm: RF Signal at 2026-12-10 12:30:05");
    EXPECT_EQ(tray.look(), TrayLook::Alarm);
    EXPECT_EQ(tray.toolTip(),
              "Remote station: link up\nLast alarm: RF Signal at 2026-12-10 12:30:05");
}

TEST(AlarmSound, WithoutAnAudioDeviceNothingPlaysAndItIsSaidOnce) {
    AlarmSound sound;
    if (sound.deviceFound()) {
        GTEST_SKIP() << "this machine has an audio device";
    }
    QSignalSpy unavailable(&sound, &AlarmSound::unavailable);
    sound.alarm();
    sound.alarm();
    sound.labelsRed(true);
    sound.labelsRed(false);
    EXPECT_FALSE(sound.playing());
    ASSERT_EQ(unavailable.count(), 1);
    EXPECT_EQ(unavailable[0][0].toString(), "No audio device: the alarm tone is not played");
}

TEST(AlarmSound, TheToneTheBuildMadeIsInTheProgram) {
    QFile tone(QStringLiteral(":/alerts/alarm-tone.wav"));
    ASSERT_TRUE(tone.open(QIODevice::ReadOnly));
    const QByteArray wav = tone.readAll();
    const auto made = alarmToneWav();
    EXPECT_EQ(wav, QByteArray(reinterpret_cast<const char*>(made.data()),
                              static_cast<qsizetype>(made.size())));
    EXPECT_EQ(QUrl(QString::fromLatin1(AlarmSound::kToneUrl)).path(), "/alerts/alarm-tone.wav");
    EXPECT_TRUE(QSoundEffect::supportedMimeTypes().isEmpty() ||
                QSoundEffect::supportedMimeTypes().contains("audio/x-wav") ||
                QSoundEffect::supportedMimeTypes().contains("audio/wav"));
}

TEST(AlarmSound, TheToneStopsOnlyWhenNoLabelIsRed) {
    AlarmSound sound;
    if (!sound.deviceFound()) {
        GTEST_SKIP() << "no audio device on this machine";
    }
    sound.alarm();
    EXPECT_TRUE(sound.playing());
    sound.labelsRed(true);
    EXPECT_TRUE(sound.playing());
    sound.labelsRed(false);
    EXPECT_FALSE(sound.playing());
    sound.setEnabled(false);
    sound.alarm();
    EXPECT_FALSE(sound.playing());
}

// Where a journal runs, the entry is found by its fields; elsewhere the test says why it
// cannot look.
TEST(JournalEntry, IsFoundByChannelAndTag) {
    if (!journalBuiltIn()) {
        GTEST_SKIP() << "built without journal support";
    }
    if (!journalRunning()) {
        GTEST_SKIP() << "no systemd journal runs on this machine";
    }
    const std::string label = "test-" + std::to_string(QDateTime::currentMSecsSinceEpoch());
    remote::history::AlarmRecord a{0,     QDateTime::currentMSecsSinceEpoch(), 0, 2,
                                   label, std::string("2024-05-01 12:30:05")};
    std::string error;
    ASSERT_TRUE(sendToJournal(journalFields(a), error)) << error;
    QByteArray out;
    for (int attempt = 0; attempt < 50 && !out.contains(label.c_str()); ++attempt) {
        QProcess journalctl;
        journalctl.start("journalctl", {"-t", "remote", "REMOTE_ALARM_CHANNEL=2",
                                        "REMOTE_ALARM_LABEL=" + QString::fromStdString(label), "-o",
                                        "export", "--no-pager"});
        journalctl.waitForFinished(10000);
        out = journalctl.readAllStandardOutput();
        QThread::msleep(100);
    }
    EXPECT_TRUE(out.contains("PRIORITY=2\n"));
    EXPECT_TRUE(out.contains("REMOTE_DETECTOR_CLOCK=2024-05-01 12:30:05\n"));
}

TEST(JournalEntry, WithoutAJournalTheFailureIsNamed) {
    if (journalRunning()) {
        GTEST_SKIP() << "a journal runs here";
    }
    std::string error;
    EXPECT_FALSE(sendToJournal({"MESSAGE=x"}, error));
    EXPECT_FALSE(error.empty());
}

TEST(AlertsDialog, ShowsTheSettingsAndGivesBackWhatWasChanged) {
    AlertSettings s;
    s.tray = false;
    s.sound = false;
    s.volume = 12;
    s.channels = {false, true, false, false, false, false, false, false, true};
    s.command = "\"/opt/my siren\" on";
    frmAlerts dialog(s);
    EXPECT_EQ(dialog.values(), s) << "unchanged, it gives back what it was given";
    EXPECT_FALSE(dialog.sldVolume->isEnabled()) << "no volume without the tone";
    EXPECT_EQ(dialog.lblVolume->text(), "12 %");
    EXPECT_EQ(dialog.chkChannel[0]->text(), "RF Signal");
    EXPECT_EQ(dialog.lblCommand->text(), "/opt/my siren is not a program that can be run.");
    dialog.txtCommand->setText("/bin/sh -c \"exit 0\"");
    EXPECT_EQ(dialog.lblCommand->text(), "Runs /bin/sh with 2 argument(s).");
    dialog.txtCommand->setText("<b>x</b>");
    EXPECT_EQ(dialog.lblCommand->textFormat(), Qt::PlainText);
    dialog.chkSound->setChecked(true);
    EXPECT_TRUE(dialog.sldVolume->isEnabled());
    dialog.chkChannel[0]->setChecked(true);
    dialog.sldVolume->setValue(100);
    const AlertSettings changed = dialog.values();
    EXPECT_TRUE(changed.sound);
    EXPECT_EQ(changed.volume, 100);
    EXPECT_EQ(channelList(changed.channels), "0,1,8");
    EXPECT_EQ(changed.command, "<b>x</b>");
}
