#pragma once

#include "remote/alerts/notificationbursts.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace remote::alerts {

// Alarms as desktop notifications through the notification service on the session bus.
// Every call is asynchronous; the reply's id is kept per channel so a burst replaces its
// channel's notification. Without a bus or a service nothing is shown and unavailable()
// is emitted once, until a call succeeds again.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    static constexpr char kService[] = "org.freedesktop.Notifications";
    static constexpr char kPath[] = "/org/freedesktop/Notifications";
    static constexpr char kSoundName[] = "alarm-clock-elapsed";

    explicit DesktopNotifier(const QDBusConnection& bus, QObject* parent = nullptr);

    void notify(const history::AlarmRecord& alarm);
    // Calls sent and not yet answered.
    int pending() const { return m_pending; }

signals:
    // The operator clicked a notification of the station.
    void activated();
    void unavailable(const QString& message);
    void available();

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    void send(const NotifyRequest& request);
    void reportFailure(const QString& message);

    QDBusConnection m_bus;
    NotificationBursts m_bursts;
    int m_pending = 0;
    bool m_failed = false;
};

} // namespace remote::alerts
