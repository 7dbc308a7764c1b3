#include "privatebus.h"

#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFile>

#include <chrono>

namespace alertstest {

PrivateBus& PrivateBus::instance() {
    static PrivateBus bus;
    return bus;
}

PrivateBus::PrivateBus() {
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot write the bus configuration");
        return;
    }
    file.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                              "Configuration 1.0//EN\" "
                              "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                              "<busconfig><type>session</type>"
                              "<listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                              "<policy context=\"default\">"
                              "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                              "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                              "</policy></busconfig>\n")
                   .arg(m_dir.path())
                   .toUtf8());
    file.close();
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(10000)) {
        m_error = QStringLiteral("dbus-daemon did not start: ") + m_daemon.errorString();
        return;
    }
    QElapsedTimer waited;
    waited.start();
    while (!m_daemon.canReadLine() && waited.elapsed() < 20000) {
        m_daemon.waitForReadyRead(1000);
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty()) {
        m_error = QStringLiteral("dbus-daemon printed no address");
        return;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
}

PrivateBus::~PrivateBus() {
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }
}

FakeNotificationService::FakeNotificationService(const QString& connectionName)
    : m_name(connectionName) {
    QDBusConnection bus =
        QDBusConnection::connectToBus(PrivateBus::instance().address(), connectionName);
    m_registered =
        bus.isConnected() &&
        bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                           QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
        bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

FakeNotificationService::~FakeNotificationService() {
    QDBusConnection bus(m_name);
    bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    QDBusConnection::disconnectFromBus(m_name);
}

uint FakeNotificationService::Notify(const QString& appName, uint replacesId,
                                     const QString& appIcon, const QString& summary,
                                     const QString& body, const QStringList& actions,
                                     const QVariantMap& hints, int timeout) {
    NotifyCall call{appName, replacesId, appIcon, summary, body, actions, hints, timeout};
    call.id = replacesId != 0 ? replacesId : m_nextId++;
    call.receivedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count();
    calls.push_back(call);
    return call.id;
}

QString FakeNotificationService::GetServerInformation(QString& vendor, QString& version,
                                                      QString& specVersion) {
    vendor = QStringLiteral("test");
    version = QStringLiteral("1");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("fake");
}

QStringList FakeNotificationService::GetCapabilities() {
    return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("sound")};
}

void FakeNotificationService::CloseNotification(uint id) {
    emit NotificationClosed(id, 3);
}

void FakeNotificationService::click(uint id) {
    emit ActionInvoked(id, QStringLiteral("default"));
}

void FakeNotificationService::close(uint id) {
    emit NotificationClosed(id, 2);
}

} // namespace alertstest
