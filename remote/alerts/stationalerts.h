#pragma once

#include "remote/alerts/alertfanout.h"
#include "remote/alerts/alertsettings.h"
#include "remote/alerts/commandqueue.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QString>

#include <map>
#include <memory>

class QLabel;
class QMainWindow;

namespace remote::alerts {

class AlarmSound;
class CommandRunner;
class DesktopNotifier;
class TrayAlerts;

// Everything that carries an alarm beyond the window: the desktop notification, the tray
// icon and the window's call for attention, the alarm tone, the alarm command and the
// journal. Each is a sink of the fan-out, switched by the operator's [alerts] settings and
// failing alone; what is missing on this machine is said once in the status bar.
class StationAlerts : public QObject {
    Q_OBJECT

public:
    struct Options {
        QDBusConnection bus = QDBusConnection::sessionBus();
        CommandQueue::Limits commandLimits;
        bool journal = true;
    };

    StationAlerts(QMainWindow& window, AlertFanout& fanout, Options options,
                  QObject* parent = nullptr);
    StationAlerts(QMainWindow& window, AlertFanout& fanout, QObject* parent = nullptr);
    ~StationAlerts() override;

    // Reads the [alerts] keys again and applies them.
    void reload();
    void apply(const AlertSettings& settings);
    const AlertSettings& settings() const { return m_settings; }

    // At each tick of the window: the tone follows the labels, the tray the link.
    void tick(bool anyLabelRed, bool linkUp);

    // "View" > "Alerts...": the dialog; OK writes the keys and reads them back.
    void showDialog();

    // The status bar's line of what does not work here, one clause per problem.
    QString statusText() const;

    DesktopNotifier& notifier() { return *m_notifier; }
    TrayAlerts& tray() { return *m_tray; }
    AlarmSound& sound() { return *m_sound; }
    CommandRunner& commands() { return *m_commands; }

signals:
    void statusChanged(const QString& text);

private:
    void say(const QString& key, const QString& text);
    void clear(const QString& key);
    void showWindow();
    void checkNotificationService();

    QMainWindow& m_window;
    Options m_options;
    AlertSettings m_settings;
    std::unique_ptr<DesktopNotifier> m_notifier;
    std::unique_ptr<TrayAlerts> m_tray;
    std::unique_ptr<AlarmSound> m_sound;
    std::unique_ptr<CommandRunner> m_commands;
    std::map<QString, QString> m_problems; // said once each, until it works again
    QLabel* m_label = nullptr;
};

} // namespace remote::alerts
