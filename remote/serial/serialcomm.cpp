#include "remote/serial/serialcomm.h"

#include "remote/serial/devicepath.h"
#include "remote/serial/serialconstants.h"

#include <QFileInfo>

#include <cerrno>
#include <termios.h>

namespace remote::serial {

namespace {

// The line's own descriptions for values it refuses.
const char kInvalidPortNumber[] = "Invalid port number";
const char kPortAlreadyOpen[] = "Port already open";
const char kPortNotOpen[] = "Operation valid only when the port is open";
const char kInvalidValue[] = "Invalid property value";

std::optional<QSerialPort::Parity> qtParity(char parity) {
    switch (parity) {
    case 'e':
        return QSerialPort::EvenParity;
    case 'o':
        return QSerialPort::OddParity;
    case 'n':
        return QSerialPort::NoParity;
    case 'm':
        return QSerialPort::MarkParity;
    case 's':
        return QSerialPort::SpaceParity;
    default:
        return std::nullopt;
    }
}

std::optional<QSerialPort::DataBits> qtDataBits(int bits) {
    switch (bits) {
    case 5:
        return QSerialPort::Data5;
    case 6:
        return QSerialPort::Data6;
    case 7:
        return QSerialPort::Data7;
    case 8:
        return QSerialPort::Data8;
    default:
        return std::nullopt; // 4 bits: no serial driver here supports it
    }
}

QSerialPort::StopBits qtStopBits(const std::string& bits) {
    if (bits == "2") {
        return QSerialPort::TwoStop;
    }
    return bits == "1.5" ? QSerialPort::OneAndHalfStop : QSerialPort::OneStop;
}

bool isLoss(QSerialPort::SerialPortError error) {
    return error == QSerialPort::ReadError || error == QSerialPort::WriteError ||
           error == QSerialPort::ResourceError;
}

} // namespace

SerialComm::SerialComm(QObject* parent)
    : QObject(parent)
    , m_settings(*parsePortSettings(kDefaultSettings))
    , m_handshaking(kDefaultHandshaking) {
    m_reconnectTimer.setInterval(kReconnectInterval);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &SerialComm::lookForDevice);
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        m_commEvent = comEvReceive;
        emit OnComm();
    });
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialComm::portError);
}

SerialComm::~SerialComm() {
    m_reconnectTimer.stop();
    m_port.close();
}

bool SerialComm::fail(const QString& text) {
    m_errorText = text;
    return false;
}

bool SerialComm::setCommPort(int portNumber) {
    if (PortOpen()) {
        return fail(QString::fromLatin1(kPortAlreadyOpen));
    }
    if (portNumber < kFirstPortNumber || portNumber > kLastPortNumber) {
        return fail(QString::fromLatin1(kInvalidPortNumber));
    }
    m_commPort = portNumber;
    // Another number is another device: stop waiting for the one that vanished.
    setConnection(Connection::Closed);
    return true;
}

bool SerialComm::PortOpen() const {
    return m_connection == Connection::Open;
}

bool SerialComm::PortOpened() const {
    return m_sending && PortOpen();
}

bool SerialComm::setPortOpen(bool open) {
    if (!open) {
        // Closed on purpose: sending stays off until it is switched on again.
        m_sending = false;
        m_port.close();
        setConnection(Connection::Closed);
        return true;
    }
    if (PortOpen()) {
        return fail(QString::fromLatin1(kPortAlreadyOpen));
    }
    if (devicePath().isEmpty()) {
        return fail(QString::fromLatin1(kInvalidPortNumber));
    }
    if (!openDevice()) {
        if (accessDenied(devicePath())) {
            m_errorText += QStringLiteral("\n\n") + permissionHint(devicePath());
        }
        setConnection(Connection::Closed);
        return false;
    }
    setConnection(Connection::Open);
    return true;
}

bool SerialComm::openDevice() {
    m_port.clearError();
    m_port.setPortName(devicePath());
    if (!m_port.open(QIODevice::ReadWrite)) {
        return fail(m_port.errorString());
    }
    if (!applySettings(m_settings) || !applyHandshaking(m_handshaking)) {
        m_port.close();
        return false;
    }
    return true;
}

QString SerialComm::Settings() const {
    return QString::fromStdString(portSettingsText(m_settings));
}

bool SerialComm::setSettings(const QString& settings) {
    const auto parsed = parsePortSettings(settings.toStdString());
    if (!parsed) {
        return fail(QString::fromLatin1(kInvalidValue));
    }
    if (PortOpen() && !applySettings(*parsed)) {
        const QString text = m_errorText;
        applySettings(m_settings); // the line keeps what it had
        return fail(text);
    }
    m_settings = *parsed;
    return true;
}

bool SerialComm::applySettings(const PortSettings& settings) {
    const auto parity = qtParity(settings.parity);
    const auto dataBits = qtDataBits(settings.dataBits);
    if (!parity || !dataBits) {
        return fail(QString::fromLatin1(kInvalidValue));
    }
    if (!m_port.setBaudRate(settings.speed) || !m_port.setParity(*parity) ||
        !m_port.setDataBits(*dataBits) || !m_port.setStopBits(qtStopBits(settings.stopBits))) {
        return fail(m_port.errorString());
    }
    return true;
}

bool SerialComm::setHandshaking(int handshaking) {
    if (handshaking < 0 || handshaking > 3) {
        return fail(QString::fromLatin1(kInvalidValue));
    }
    if (PortOpen() && !applyHandshaking(handshaking)) {
        const QString text = m_errorText;
        applyHandshaking(m_handshaking);
        return fail(text);
    }
    m_handshaking = handshaking;
    return true;
}

bool SerialComm::applyHandshaking(int handshaking) {
    static constexpr QSerialPort::FlowControl kFlow[] = {
        QSerialPort::NoFlowControl, QSerialPort::SoftwareControl, QSerialPort::HardwareControl,
        QSerialPort::HardwareControl};
    if (!m_port.setFlowControl(kFlow[handshaking])) {
        return fail(m_port.errorString());
    }
    if (handshaking != 3) {
        return true;
    }
    // RTS/CTS together with XON/XOFF has no QSerialPort value; add the software half on
    // the open line itself.
    termios tio{};
    if (::tcgetattr(static_cast<int>(m_port.handle()), &tio) != 0) {
        return fail(qt_error_string(errno));
    }
    tio.c_iflag |= IXON | IXOFF;
    if (::tcsetattr(static_cast<int>(m_port.handle()), TCSANOW, &tio) != 0) {
        return fail(qt_error_string(errno));
    }
    return true;
}

bool SerialComm::Output(std::uint8_t byte) {
    if (!PortOpen()) {
        return fail(QString::fromLatin1(kPortNotOpen));
    }
    const char c = static_cast<char>(byte);
    if (m_port.write(&c, 1) != 1) {
        // An open line that refuses a byte has lost its device: the same warning and
        // search as an unplug, unless the write's own error report got there first.
        const QString text = m_port.errorString();
        if (PortOpen()) {
            loseDevice(text);
        }
        return fail(text);
    }
    return true;
}

void SerialComm::writeByte(std::uint8_t b) {
    // A refusal has already closed the line and started the search (see Output); the link
    // sees PortOpened drop and sends nothing more until the device is back.
    Output(b);
}

int SerialComm::InBufferCount() const {
    return PortOpen() ? static_cast<int>(m_port.bytesAvailable()) : 0;
}

std::optional<std::uint8_t> SerialComm::Input() {
    char c = 0;
    if (!PortOpen() || m_port.read(&c, 1) != 1) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(c);
}

std::vector<std::uint8_t> SerialComm::InputAll() {
    if (!PortOpen()) {
        return {};
    }
    // One read of what is buffered: it ends whatever the count said.
    const QByteArray bytes = m_port.readAll();
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

QString SerialComm::devicePath() const {
    return devicePathFor(m_commPort);
}

QString SerialComm::connectionText() const {
    const QString port = QStringLiteral("Com%1").arg(m_commPort);
    const QString device = devicePath();
    switch (m_connection) {
    case Connection::Open:
        return QStringLiteral("%1 (%2) open, %3").arg(port, device, Settings());
    case Connection::Lost:
        return QStringLiteral("%1 (%2) lost: %3. Waiting for the device to return.")
            .arg(port, device, m_lossText);
    case Connection::Closed:
        break;
    }
    return QStringLiteral("%1 (%2) closed").arg(port, device);
}

void SerialComm::setReconnectInterval(std::chrono::milliseconds interval) {
    m_reconnectTimer.setInterval(interval);
}

void SerialComm::setConnection(Connection connection) {
    if (connection != Connection::Lost) {
        m_reconnectTimer.stop();
    }
    if (connection == m_connection) {
        return;
    }
    m_connection = connection;
    emit connectionChanged();
}

void SerialComm::portError(QSerialPort::SerialPortError error) {
    if (!PortOpen() || !isLoss(error)) {
        return; // open failures are reported by setPortOpen, retries stay quiet
    }
    loseDevice(m_port.errorString());
}

void SerialComm::loseDevice(const QString& text) {
    m_lossText = text;
    m_errorText = m_lossText;
    // Closing at once stops the read notifier: a vanished device would otherwise wake the
    // event loop without end.
    m_port.close();
    m_reconnectAttempts = 0;
    setConnection(Connection::Lost);
    m_reconnectTimer.start();
    const QString description = m_lossText;
    QMetaObject::invokeMethod(
        this, [this, description] { emit deviceLost(description); }, Qt::QueuedConnection);
}

void SerialComm::lookForDevice() {
    ++m_reconnectAttempts;
    if (!QFileInfo::exists(devicePath()) || !openDevice()) {
        return;
    }
    setConnection(Connection::Open); // sending resumes if it was on before the loss
    emit deviceRestored();
}

} // namespace remote::serial
