#pragma once

#include "remote/link/linkport.h"
#include "remote/serial/portsettings.h"

#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace remote::serial {

// The main window's serial control. Its members keep the names the window and the port
// dialog use (CommPort, PortOpen, Settings, Handshaking, Output, InBufferCount, Input,
// CommEvent); underneath is a QSerialPort on the device the port number stands for
// (devicePathFor). A member the line refuses returns false and leaves the platform's
// description in errorText(), so a caller can check its own steps the way it needs.
//
// It also carries the sending flag PortOpened and is the link's port: bytes the link
// writes go out only while PortOpened is true. connection() is the one record of the
// line's state: PortOpen() is connection() == Open, and PortOpened() is the sending switch
// and PortOpen() together, so neither can claim an open line that is not. Closing on
// purpose also switches sending off.
//
// A device that vanishes while open (a USB adapter pulled, or a byte the line refuses to
// send) is closed at once, PortOpened drops, deviceLost() is raised once, and the device is
// looked for about once a second; when it is back it is reopened with the same settings
// and sending resumes.
class SerialComm : public QObject, public remote::link::LinkPort {
    Q_OBJECT

public:
    enum class Connection {
        Closed, // not opened, closed on purpose, or the open failed
        Open,
        Lost, // vanished while open; being looked for
    };

    explicit SerialComm(QObject* parent = nullptr);
    ~SerialComm() override;

    int CommPort() const { return m_commPort; }
    bool setCommPort(int portNumber); // only while closed; 1 to 16

    bool PortOpen() const;
    bool setPortOpen(bool open);

    QString Settings() const; // "9600,n,8,1"
    bool setSettings(const QString& settings);

    int Handshaking() const { return m_handshaking; } // 0 none, 1 XON/XOFF, 2 RTS, 3 both
    bool setHandshaking(int handshaking);

    bool Output(std::uint8_t byte);
    int InBufferCount() const;
    std::optional<std::uint8_t> Input();  // the next received byte
    std::vector<std::uint8_t> InputAll(); // every received byte waiting, in one read
    int CommEvent() const { return m_commEvent; }

    QString errorText() const { return m_errorText; }

    bool PortOpened() const override;
    void setPortOpened(bool opened) { m_sending = opened; }
    void writeByte(std::uint8_t b) override;

    Connection connection() const { return m_connection; }
    QString devicePath() const;     // the device CommPort stands for now
    QString connectionText() const; // one line for the window's status bar

    void setReconnectInterval(std::chrono::milliseconds interval);
    int reconnectAttempts() const { return m_reconnectAttempts; } // since the last loss

signals:
    void OnComm(); // CommEvent is comEvReceive: bytes are waiting
    // The device vanished while open. Raised once per loss, after the handler that found
    // it has returned, so a modal box shown from here never interrupts a send.
    void deviceLost(const QString& description);
    void deviceRestored();
    void connectionChanged();

private:
    bool fail(const QString& text);
    bool openDevice();
    bool applySettings(const PortSettings& settings);
    bool applyHandshaking(int handshaking);
    void portError(QSerialPort::SerialPortError error);
    void loseDevice(const QString& text);
    void lookForDevice();
    void setConnection(Connection connection);

    QSerialPort m_port;
    QTimer m_reconnectTimer;
    int m_commPort = 1;
    PortSettings m_settings;
    int m_handshaking = 0;
    bool m_sending = false; // the sending switch; see PortOpened()
    int m_commEvent = 0;
    QString m_errorText;
    QString m_lossText;
    Connection m_connection = Connection::Closed;
    int m_reconnectAttempts = 0;
};

} // namespace remote::serial
