#pragma once

#include "remote/alerts/traylook.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

class QSystemTrayIcon;

namespace remote::alerts {

// The look of each tray state, drawn so it reads at tray sizes: green quiet, red alarm,
// grey link lost.
QImage trayImage(TrayLook look, int size);

// The station in the system tray (where the desktop has one): its look follows the link
// and the last minute's alarms, its tooltip names the last alarm, a click brings the
// window up. Without a tray, unavailable() is emitted once.
class TrayAlerts : public QObject {
    Q_OBJECT

public:
    explicit TrayAlerts(QObject* parent = nullptr);
    ~TrayAlerts() override;

    void setEnabled(bool on);
    void setLinkUp(bool up);
    void alarm(const QString& lastAlarmText);

    TrayLook look() const;
    QString toolTip() const;
    bool shown() const;

signals:
    void unavailable(const QString& message);
    void activated();

private:
    void update();

    std::unique_ptr<QSystemTrayIcon> m_icon;
    QElapsedTimer m_clock;
    QTimer m_recent; // the alarm look ends a minute after the last alarm
    std::optional<std::int64_t> m_lastAlarmMs;
    QString m_lastAlarm;
    bool m_enabled = false;
    bool m_linkUp = false;
    bool m_failed = false;
    std::optional<TrayLook> m_shownLook;
};

} // namespace remote::alerts
