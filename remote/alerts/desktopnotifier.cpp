#include "remote/alerts/desktopnotifier.h"

#include "remote/alerts/alerttexts.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QVariantMap>

namespace remote::alerts {

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus) {
    if (!m_bus.isConnected()) {
        return;
    }
    const QString service = QString::fromLatin1(kService);
    const QString path = QString::fromLatin1(kPath);
    m_bus.connect(service, path, service, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(service, path, service, QStringLiteral("NotificationClosed"), this,
                  SLOT(onClosed(uint, uint)));
}

void DesktopNotifier::notify(const history::AlarmRecord& alarm) {
    if (!m_bus.isConnected()) {
        reportFailure(QStringLiteral("No session bus: alarms are not shown as desktop "
                                     "notifications"));
        return;
    }
    if (const auto request = m_bursts.alarm(alarm)) {
        send(*request);
    }
}

void DesktopNotifier::send(const NotifyRequest& request) {
    const QString desktopEntry = QGuiApplication::desktopFileName();
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(2))); // critical
    hints.insert(QStringLiteral("category"), QStringLiteral("device"));
    hints.insert(QStringLiteral("sound-name"), QString::fromLatin1(kSoundName));
    if (!desktopEntry.isEmpty()) {
        hints.insert(QStringLiteral("desktop-entry"), desktopEntry);
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       QString::fromLatin1(kService), QStringLiteral("Notify"));
    // "default" is the click on the notification itself.
    call << QCoreApplication::applicationName() << uint(request.replacesId) << desktopEntry
         << QString::fromStdString(notificationSummary(request.latest))
         << QString::fromStdString(notificationBody(request))
         << QStringList{QStringLiteral("default"), QStringLiteral("Show the station")} << hints
         << int(-1);
    ++m_pending;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    const int channel = request.latest.channel;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, channel](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                --m_pending;
                const QDBusPendingReply<uint> reply = *w;
                if (reply.isError()) {
                    m_bursts.failed(channel);
                    reportFailure(
                        reply.error().type() == QDBusError::ServiceUnknown
                            ? QStringLiteral("No notification service on the session bus: "
                                             "alarms are not shown as desktop notifications")
                            : QStringLiteral("Desktop notification failed: %1")
                                  .arg(reply.error().message()));
                    return;
                }
                if (std::exchange(m_failed, false)) {
                    emit available();
                }
                if (const auto again = m_bursts.shown(channel, reply.value())) {
                    send(*again);
                }
            });
}

void DesktopNotifier::reportFailure(const QString& message) {
    if (!std::exchange(m_failed, true)) {
        emit unavailable(message);
    }
}

void DesktopNotifier::onActionInvoked(uint id, const QString& action) {
    if (m_bursts.channelOf(id) && (action == QLatin1String("default"))) {
        emit activated();
    }
}

void DesktopNotifier::onClosed(uint id, uint /*reason*/) {
    m_bursts.closed(id);
}

} // namespace remote::alerts
