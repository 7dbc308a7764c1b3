#pragma once

#include <QDialog>

#include <array>
#include <cstdint>

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace remote::serial {
class SerialComm;
}
namespace remote::store {
class SettingsStore;
}

namespace remote::dialogs {

class MessageSink;

// The port settings dialog. It opens on the live settings of the main window's serial
// control, applies the operator's choice to that control on OK (closing and reopening the
// port when its number or device changes) and keeps the port number and the speed text in
// the settings file. An OK that reports success always leaves the port open and sending.
//
// Beyond the port numbers, the dialog tells what each number is and lets a USB adapter
// that is plugged in be bound to the chosen number (portbindings.h).
class frmConfig : public QDialog {
    Q_OBJECT

public:
    // The program-wide values the dialog reads and writes.
    struct ProgramValues {
        std::int16_t& CommPortNumber;
        bool& EchoOn;
    };

    frmConfig(remote::serial::SerialComm& port, remote::store::SettingsStore* store,
              ProgramValues values, MessageSink& messages, QWidget* parent = nullptr);

    QComboBox* cboPort = nullptr;
    QComboBox* cboDevice = nullptr; // the device bound to the chosen number
    QLabel* lblPortDevice = nullptr;
    QComboBox* cboSpeed = nullptr;
    QComboBox* cboDataBits = nullptr;
    QComboBox* cboParity = nullptr;
    QComboBox* cboStopBits = nullptr;
    std::array<QRadioButton*, 4> optFlow{};
    std::array<QRadioButton*, 2> optEcho{};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    int PendingHandshake() const { return m_pendingHandshake; }
    bool PendingEcho() const { return m_pendingEcho; }

    // ---- Handlers ----
    void LoadPropertySettings();
    void cmdOK_Click();
    void cmdCancel_Click();
    void optFlow_Click(int index);
    void optEcho_Click(int index);

    static constexpr char kCaption[] = "환경설정";

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showDevicesFor(int portNumber);
    QString chosenDevice() const;
    // A failed step: the warning, the link stopped, the dialog left open.
    void checkpointFailed(const QString& description);

    remote::serial::SerialComm& MSComm1;
    remote::store::SettingsStore* m_store;
    ProgramValues m_values;
    MessageSink& m_messages;
    QButtonGroup* m_flowGroup = nullptr;
    QButtonGroup* m_echoGroup = nullptr;
    int m_pendingHandshake = 0;
    bool m_pendingEcho = false;
};

} // namespace remote::dialogs
