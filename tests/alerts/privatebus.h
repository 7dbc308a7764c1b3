#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <vector>

namespace alertstest {

// A session bus of the test's own: dbus-daemon on a socket in a temporary folder, with no
// service activation (so no real notification daemon can be started by a call). One per
// test process, started on first use; DBUS_SESSION_BUS_ADDRESS points at it so the
// station's session bus is this one.
class PrivateBus {
public:
    static PrivateBus& instance();
    QString address() const { return m_address; }
    bool running() const { return !m_address.isEmpty(); }
    QString error() const { return m_error; }
    ~PrivateBus();

private:
    PrivateBus();
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_error;
};

// One Notify call as the service received it.
struct NotifyCall {
    QString appName;
    uint replacesId = 0;
    QString appIcon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    int timeout = 0;
    uint id = 0; // what the service answered
    qint64 receivedNs = 0;
};

// A small notification service on the private bus: it answers Notify with ids of its
// own (the same id for a replacement) and records every call.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    // Connects to the bus under its own connection name and takes the service name.
    explicit FakeNotificationService(const QString& connectionName);
    ~FakeNotificationService() override;
    bool registered() const { return m_registered; }

    std::vector<NotifyCall> calls;

    void click(uint id);
    void close(uint id);

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int timeout);
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion);
    QStringList GetCapabilities();
    void CloseNotification(uint id);

signals:
    void NotificationClosed(uint id, uint reason);
    void ActionInvoked(uint id, const QString& actionKey);

private:
    QString m_name;
    bool m_registered = false;
    uint m_nextId = 1;
};

} // namespace alertstest
