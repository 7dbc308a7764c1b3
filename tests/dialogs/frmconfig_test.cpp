#include "pseudoterminal.h"
#include "remote/dialogs/frmconfig.h"
#include "remote/serial/devicepath.h"
#include "remote/serial/portbindings.h"
#include "remote/serial/serialcomm.h"
#include "remote/store/settingsstore.h"
#include "settingsfile.h"
#include "tests/support/recordingmessagesink.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <memory>

using remote::dialogs::frmConfig;

namespace {

using Kind = RecordingMessageSink::Kind;

// The dialog on a real serial control (Com1 on a pseudo-terminal), a real settings file and
// the user's configuration in a scratch folder.
class PortDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath("config"));
        makeStore({"1, '9600', NULL"});
        ASSERT_TRUE(port.setCommPort(1));
        ASSERT_TRUE(port.setPortOpen(true));
        port.setPortOpened(true);
    }

    void makeStore(const std::vector<std::string>& rows,
                   const std::string& columns = "COMPORT INTEGER, BANDRATE TEXT, COMSPEED TEXT") {
        store.reset();
        const auto file = std::filesystem::path(dir.filePath("Kvrset.mdb").toStdString());
        std::filesystem::remove(file);
        storetest::makeSettingsFile(file, rows, columns);
        store = std::make_unique<remote::store::SettingsStore>(file);
    }

    frmConfig& open() {
        dialog = std::make_unique<frmConfig>(
            port, store.get(), frmConfig::ProgramValues{commPortNumber, echoOn}, sink);
        dialog->show();
        return *dialog;
    }

    std::vector<std::vector<std::string>> rows() { return storetest::settingsRows(store->file()); }

    QTemporaryDir dir;
    serialtest::Pty pty;
    serialtest::Pty pty3;
    serialtest::ComVariable com1{1, pty.slavePath()};
    serialtest::ComVariable com2{2, QStringLiteral("/nonexistent/ttyQ")};
    serialtest::ComVariable com3{3, pty3.slavePath()};
    remote::serial::SerialComm port;
    std::unique_ptr<remote::store::SettingsStore> store;
    std::int16_t commPortNumber = 1;
    bool echoOn = false;
    RecordingMessageSink sink;
    std::unique_ptr<frmConfig> dialog;
};

struct Opening {
    const char* settings;
    const char* speed;
    const char* parity;
    const char* dataBits;
    const char* stopBits;
};

class PortDialogOpening : public PortDialog, public ::testing::WithParamInterface<Opening> {};

TEST_P(PortDialogOpening, ShowsTheLiveSettings) {
    port.setPortOpen(false); // a closed control holds settings a pseudo-terminal cannot take
    ASSERT_TRUE(port.setSettings(QString::fromLatin1(GetParam().settings)));
    frmConfig& d = open();
    EXPECT_EQ(d.windowTitle(), "환경설정");
    EXPECT_EQ(d.cboSpeed->currentText(), GetParam().speed);
    EXPECT_EQ(d.cboParity->currentText(), GetParam().parity);
    EXPECT_EQ(d.cboDataBits->currentText(), GetParam().dataBits);
    EXPECT_EQ(d.cboStopBits->currentText(), GetParam().stopBits);
    EXPECT_EQ(d.cboPort->currentIndex(), 0);
    EXPECT_TRUE(d.cboPort->itemText(15).startsWith("Com16 — /dev/ttyS15"))
        << d.cboPort->itemText(15).toStdString();
    EXPECT_TRUE(d.cboPort->itemText(0).startsWith("Com1 — " + pty.slavePath()))
        << d.cboPort->itemText(0).toStdString();
    EXPECT_TRUE(d.cboPort->itemText(0).contains("REMOTE_COM1"));
    EXPECT_TRUE(d.optFlow[0]->isChecked());
    EXPECT_TRUE(d.optEcho[0]->isChecked());
}

INSTANTIATE_TEST_SUITE_P(Table, PortDialogOpening,
                         ::testing::Values(Opening{"9600,n,8,1", "9600", "None", "8", "1"},
                                           Opening{"9600,e,5,1.5", "9600", "Even", "5", "1.5"},
                                           Opening{"4800,o,7,2", "4800", "Odd", "7", "2"},
                                           Opening{"115200,m,8,1", "115200", "Mark", "8", "1"},
                                           Opening{"12345,s,6,1.5", "12345", "Space", "6", "1.5"}));

TEST_F(PortDialog, OkOnTheSamePortNeverClosesItAndSavesTheNumberAndSpeed) {
    frmConfig& d = open();
    QSignalSpy changes(&port, &remote::serial::SerialComm::connectionChanged);
    d.cboSpeed->setEditText(QStringLiteral(" 19200 "));
    d.cboParity->setCurrentIndex(1);
    d.optFlow[1]->click();
    QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    EXPECT_TRUE(sink.messages.isEmpty()) << sink.messages.value(0).text.toStdString();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(changes.count(), 0) << "never closed";
    EXPECT_TRUE(port.PortOpen());
    EXPECT_EQ(port.Settings(), "19200,o,8,1") << "speed applied trimmed";
    EXPECT_EQ(port.Handshaking(), 1);
    ASSERT_EQ(rows().size(), 1u);
    EXPECT_EQ(rows()[0][0], "1");
    EXPECT_EQ(rows()[0][1], " 19200 ") << "speed stored untrimmed";
    EXPECT_EQ(commPortNumber, 1);
}

TEST_F(PortDialog, APortThatCannotOpenRestoresTheOldNumberWarnsAndStays) {
    frmConfig& d = open();
    d.cboPort->setCurrentIndex(1); // Com2: no such device
    QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(sink.messages[0].kind, Kind::Warning);
    EXPECT_EQ(sink.messages[0].text, "No such file or directory");
    EXPECT_EQ(port.CommPort(), 1);
    EXPECT_FALSE(port.PortOpen());
    EXPECT_FALSE(port.PortOpened());
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(rows()[0][0], "1") << "nothing saved";

    // A second OK on a working number succeeds and leaves a working link.
    d.cboPort->setCurrentIndex(2);
    QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    EXPECT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(port.CommPort(), 3);
    EXPECT_TRUE(port.PortOpen());
    EXPECT_TRUE(port.PortOpened());
    EXPECT_EQ(rows()[0][0], "3");
    EXPECT_EQ(commPortNumber, 3);
    port.Output('A');
    EXPECT_EQ(pty3.read(1), "A");
}

TEST_F(PortDialog, OkAfterAFailedStartUpOpenOpensThePort) {
    port.setPortOpen(false);
    port.setPortOpened(false);
    frmConfig& d = open();
    QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    EXPECT_TRUE(sink.messages.isEmpty());
    EXPECT_TRUE(port.PortOpen());
    EXPECT_TRUE(port.PortOpened());
}

TEST_F(PortDialog, RefusedSettingsWarnAndStopSendingWithNothingSaved) {
    frmConfig& d = open();
    d.cboSpeed->setEditText(QStringLiteral("fast"));
    QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(sink.messages[0].kind, Kind::Warning);
    EXPECT_FALSE(port.PortOpened());
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(rows()[0][1], "9600");
}

TEST_F(PortDialog, CancelChangesNothing) {
    frmConfig& d = open();
    d.cboPort->setCurrentIndex(2);
    d.cboSpeed->setEditText(QStringLiteral("300"));
    d.cboParity->setCurrentIndex(4);
    d.cboDataBits->setEditText(QStringLiteral("7"));
    d.cboStopBits->setEditText(QStringLiteral("2"));
    d.optFlow[3]->click();
    d.optEcho[1]->click();
    QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(port.CommPort(), 1);
    EXPECT_EQ(port.Settings(), "9600,n,8,1");
    EXPECT_EQ(port.Handshaking(), 0);
    EXPECT_TRUE(port.PortOpen());
    EXPECT_FALSE(echoOn);
    EXPECT_EQ(rows()[0][0], "1");
    EXPECT_EQ(rows()[0][1], "9600");
}

TEST_F(PortDialog, TheEchoChoiceIsShownAgainAtTheNextOpening) {
    frmConfig& d = open();
    d.optEcho[1]->click();
    QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    EXPECT_TRUE(echoOn);
    frmConfig& again = open();
    EXPECT_TRUE(again.optEcho[1]->isChecked());
    EXPECT_TRUE(again.PendingEcho());
}

TEST_F(PortDialog, AFailedSaveIsReportedNotPassedOverAsSuccess) {
    frmConfig& d = open();
    // The table goes away under the open store, as when the file is replaced.
    storetest::RawDb(store->file(), "vemqaz").exec("ALTER TABLE 환경설정 RENAME TO other");
    QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(sink.messages[0].kind, Kind::Warning);
    EXPECT_TRUE(sink.messages[0].text.contains("환경설정")) << sink.messages[0].text.toStdString();
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(port.PortOpened()) << "the link itself works";
}

TEST_F(PortDialog, AnEmptyComspeedReadBackIsNoFailure) {
    makeStore({"1, '9600', NULL"});
    frmConfig& d = open();
    QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    EXPECT_TRUE(sink.messages.isEmpty());
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST_F(PortDialog, EnterMovesToTheNextControlInsteadOfConfirming) {
    frmConfig& d = open();
    d.activateWindow();
    d.cboSpeed->setFocus();
    QTest::keyClick(d.cboSpeed->lineEdit(), Qt::Key_Return);
    EXPECT_FALSE(d.cboSpeed->hasFocus());
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.result(), 0);
}

TEST_F(PortDialog, AnAdapterBindingIsKeptInTheConfigurationAndTheVariableStillWins) {
    using namespace remote::serial;
    QTemporaryDir links;
    serialtest::DeviceLink adapter(links.filePath("ttyUSB-test").toStdString());
    adapter.pointAt(pty3.slavePath());
    ASSERT_TRUE(bindDevice(4, adapter.path()));
    EXPECT_EQ(boundDevice(4), adapter.path());
    EXPECT_EQ(devicePathFor(4), adapter.path());
    EXPECT_TRUE(describePort(4).contains("bound adapter")) << describePort(4).toStdString();
    ASSERT_TRUE(bindDevice(3, adapter.path()));
    EXPECT_EQ(devicePathFor(3), pty3.slavePath()) << "REMOTE_COM3 wins";

    // The dialog shows the binding of the chosen number and can undo it.
    frmConfig& d = open();
    d.cboPort->setCurrentIndex(3);
    EXPECT_EQ(d.cboDevice->currentData().toString(), adapter.path());
    QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    EXPECT_TRUE(sink.messages.isEmpty()) << sink.messages.value(0).text.toStdString();
    EXPECT_EQ(port.CommPort(), 4);
    EXPECT_TRUE(port.PortOpened());
    EXPECT_EQ(rows()[0][0], "4");

    frmConfig& again = open();
    again.cboDevice->setCurrentIndex(0); // the default device
    QTest::mouseClick(again.cmdOK, Qt::LeftButton);
    EXPECT_EQ(sink.messages.size(), 1) << "the default device is not there";
    EXPECT_FALSE(port.PortOpened()) << "/dev/ttyS3 is not there";
    EXPECT_EQ(port.CommPort(), 4) << "the number stays, the binding is restored";
    EXPECT_EQ(boundDevice(4), adapter.path());
}

TEST_F(PortDialog, DeviceNamesWithMarkupShowAsTheirCharactersInTheLabelAndTheTooltip) {
    const QString device = QStringLiteral("/dev/<b>x</b><img src=y>&lt;");
    serialtest::ComVariable com4(4, device);
    frmConfig& d = open();
    d.cboPort->setCurrentIndex(3);
    const QString described = remote::serial::describePort(4);
    ASSERT_TRUE(described.startsWith(device)) << described.toStdString();
    EXPECT_EQ(d.lblPortDevice->textFormat(), Qt::PlainText);
    EXPECT_EQ(d.lblPortDevice->text(), described);

    // A tooltip decides by itself whether its text is markup: it must read back as the
    // characters it was given.
    const QString tip = d.cboPort->itemData(3, Qt::ToolTipRole).toString();
    QTextDocument shown;
    if (Qt::mightBeRichText(tip)) {
        shown.setHtml(tip);
    } else {
        shown.setPlainText(tip);
    }
    EXPECT_EQ(shown.toPlainText(), described) << tip.toStdString();
    for (const QLabel* label : d.findChildren<QLabel*>()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    }
}

TEST(PortBindings, NumbersOutsideTheRangeAreRefused) {
    QString error;
    EXPECT_FALSE(remote::serial::bindDevice(0, QStringLiteral("/dev/ttyUSB0"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(remote::serial::bindDevice(17, QStringLiteral("/dev/ttyUSB0")));
    EXPECT_TRUE(remote::serial::boundDevice(-3).isEmpty());
}

} // namespace
