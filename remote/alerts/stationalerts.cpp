#include "remote/alerts/stationalerts.h"

#include "remote/alerts/alarmsound.h"
#include "remote/alerts/alertconfig.h"
#include "remote/alerts/alerttexts.h"
#include "remote/alerts/commandrunner.h"
#include "remote/alerts/desktopnotifier.h"
#include "remote/alerts/frmalerts.h"
#include "remote/alerts/journalsink.h"
#include "remote/alerts/trayalerts.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

namespace remote::alerts {

StationAlerts::StationAlerts(QMainWindow& window, AlertFanout& fanout, QObject* parent)
    : StationAlerts(window, fanout, Options{}, parent) {}

StationAlerts::StationAlerts(QMainWindow& window, AlertFanout& fanout, Options options,
                             QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_options(std::move(options))
    , m_notifier(std::make_unique<DesktopNotifier>(m_options.bus))
    , m_tray(std::make_unique<TrayAlerts>())
    , m_sound(std::make_unique<AlarmSound>())
    , m_commands(std::make_unique<CommandRunner>(m_options.commandLimits)) {
    m_label = new QLabel(&window);
    m_label->setObjectName(QStringLiteral("lblAlerts"));
    m_label->setTextFormat(Qt::PlainText); // error texts of commands and services
    window.statusBar()->addPermanentWidget(m_label);

    connect(m_notifier.get(), &DesktopNotifier::unavailable, this,
            [this](const QString& text) { say(QStringLiteral("notify"), text); });
    connect(m_notifier.get(), &DesktopNotifier::available, this,
            [this] { clear(QStringLiteral("notify")); });
    connect(m_notifier.get(), &DesktopNotifier::activated, this, &StationAlerts::showWindow);
    connect(m_tray.get(), &TrayAlerts::unavailable, this,
            [this](const QString& text) { say(QStringLiteral("tray"), text); });
    connect(m_tray.get(), &TrayAlerts::activated, this, &StationAlerts::showWindow);
    connect(m_sound.get(), &AlarmSound::unavailable, this,
            [this](const QString& text) { say(QStringLiteral("sound"), text); });
    connect(m_commands.get(), &CommandRunner::failed, this,
            [this](const QString& text) { say(QStringLiteral("command"), text); });
    connect(m_commands.get(), &CommandRunner::dropped, this, [this](std::uint64_t total) {
        say(QStringLiteral("dropped"),
            QStringLiteral("%1 alarm command runs dropped: too many alarms at once").arg(total));
    });

    // The history is already first; these follow, each only for the channels that alert.
    fanout.add("notification", [this](const history::AlarmRecord& a) {
        if (m_settings.notify && m_settings.alerts(a.channel)) {
            m_notifier->notify(a);
        }
    });
    fanout.add("tray icon", [this](const history::AlarmRecord& a) {
        if (!m_settings.alerts(a.channel)) {
            return;
        }
        if (m_settings.tray) {
            m_tray->alarm(QString::fromStdString(lastAlarmText(a)));
        }
        if (!m_window.isActiveWindow()) {
            QApplication::alert(&m_window);
        }
    });
    fanout.add("tone", [this](const history::AlarmRecord& a) {
        if (m_settings.sound && m_settings.alerts(a.channel)) {
            m_sound->alarm();
        }
    });
    fanout.add("command", [this](const history::AlarmRecord& a) {
        if (m_settings.alerts(a.channel)) {
            m_commands->run(a);
        }
    });
    fanout.add("journal entry", [this](const history::AlarmRecord& a) {
        // Without a journal here, start-up has said so already.
        if (!m_options.journal || !m_settings.alerts(a.channel) || !journalRunning()) {
            return;
        }
        std::string error;
        if (sendToJournal(journalFields(a), error)) {
            clear(QStringLiteral("journal"));
        } else {
            say(QStringLiteral("journal"),
                QStringLiteral("Alarms not written to the system journal: %1")
                    .arg(QString::fromLocal8Bit(error)));
        }
    });

    if (m_options.journal && !journalBuiltIn()) {
        say(QStringLiteral("journal"), QStringLiteral("This build writes no journal entries"));
    } else if (m_options.journal && !journalRunning()) {
        say(QStringLiteral("journal"), QStringLiteral("No system journal: alarms are not "
                                                      "written to it"));
    }
    reload();
}

StationAlerts::~StationAlerts() = default;

void StationAlerts::reload() {
    const ReadResult read = loadAlertSettings();
    if (read.warning.empty()) {
        clear(QStringLiteral("settings"));
    } else {
        qWarning("%s (%s)", read.warning.c_str(), qPrintable(alertConfigFile()));
        say(QStringLiteral("settings"), QString::fromStdString(read.warning));
    }
    apply(read.settings);
}

void StationAlerts::apply(const AlertSettings& settings) {
    m_settings = settings;
    // What is missing is said for what is switched on, and forgotten once it is off.
    m_tray->setEnabled(settings.tray);
    if (!settings.tray) {
        clear(QStringLiteral("tray"));
    } else if (!m_tray->shown()) {
        say(QStringLiteral("tray"), QStringLiteral("No system tray on this desktop"));
    }
    m_sound->setEnabled(settings.sound);
    m_sound->setVolume(settings.volume);
    if (!settings.sound) {
        clear(QStringLiteral("sound"));
    } else if (!m_sound->deviceFound()) {
        say(QStringLiteral("sound"),
            QStringLiteral("No audio device: the alarm tone is not played"));
    }
    m_commands->setCommand(QString::fromStdString(settings.command));
    if (!settings.notify) {
        clear(QStringLiteral("notify"));
    } else if (!m_options.bus.isConnected()) {
        say(QStringLiteral("notify"),
            QStringLiteral("No session bus: alarms are not shown as desktop notifications"));
    } else {
        checkNotificationService();
    }
}

// Asked at each reading of the settings, without waiting: the operator learns of a missing
// service before the first alarm rather than at it.
void StationAlerts::checkNotificationService() {
    const QString service = QString::fromLatin1(DesktopNotifier::kService);
    const QDBusMessage call =
        QDBusMessage::createMethodCall(service, QString::fromLatin1(DesktopNotifier::kPath),
                                       service, QStringLiteral("GetServerInformation"));
    auto* watcher = new QDBusPendingCallWatcher(m_options.bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (m_settings.notify && w->isError()) {
            say(QStringLiteral("notify"),
                QStringLiteral("No notification service on the session bus: alarms are not "
                               "shown as desktop notifications"));
        }
    });
}

void StationAlerts::tick(bool anyLabelRed, bool linkUp) {
    m_sound->labelsRed(anyLabelRed);
    m_tray->setLinkUp(linkUp);
}

void StationAlerts::showDialog() {
    frmAlerts dialog(m_settings, &m_window);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    QString error;
    if (!saveAlertSettings(dialog.values(), &error)) {
        say(QStringLiteral("settings"), error);
        apply(dialog.values());
        return;
    }
    reload();
}

QString StationAlerts::statusText() const {
    return m_label->text();
}

void StationAlerts::say(const QString& key, const QString& text) {
    auto& shown = m_problems[key];
    if (shown == text) {
        return;
    }
    shown = text;
    QStringList parts;
    for (const auto& [k, t] : m_problems) {
        parts << t;
    }
    m_label->setText(parts.join(QStringLiteral("; ")));
    emit statusChanged(m_label->text());
}

void StationAlerts::clear(const QString& key) {
    if (m_problems.erase(key) == 0) {
        return;
    }
    QStringList parts;
    for (const auto& [k, t] : m_problems) {
        parts << t;
    }
    m_label->setText(parts.join(QStringLiteral("; ")));
    emit statusChanged(m_label->text());
}

void StationAlerts::showWindow() {
    if (m_window.isMinimized()) {
        m_window.showNormal();
    }
    m_window.show();
    m_window.raise();
    m_window.activateWindow();
}

} // namespace remote::alerts
