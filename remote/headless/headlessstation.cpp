#include "remote/headless/headlessstation.h"

#include "remote/headless/headlessview.h"
#include "remote/history/alarmwatch.h"
#include "remote/history/historylog.h"
#include "remote/link/monitorlink.h"
#include "remote/mqtt/settingswatch.h"
#include "remote/mqtt/stationpublisher.h"
#include "remote/serial/devicepath.h"
#include "remote/serial/portwarning.h"
#include "remote/serial/serialcomm.h"
#include "remote/serial/serialconstants.h"
#include "remote/process/singleinstance.h"
#include "remote/store/settingslocation.h"
#include "remote/store/settingsstore.h"
#include "remote/store/storeerror.h"

#include <QDateTime>
#include <QTimer>

#include <cstdio>

namespace remote::headless {
using remote::process::SingleInstance;
namespace {

void say(const QString& text) {
    // One line per event; the journal keeps each as an entry.
    std::fprintf(stderr, "remote: %s\n", qPrintable(QString(text).replace(u'\n', u' ')));
    std::fflush(stderr);
}

history::AlarmWatch::Now localNow() {
    const QDateTime now = QDateTime::currentDateTime();
    return {now.toMSecsSinceEpoch(), now.offsetFromUtc()};
}

} // namespace

struct HeadlessStation::Private {
    explicit Private(StationFolders f)
        : folders(std::move(f))
        , instance(folders.lock)
        , view([](const std::string& message) { say(QString::fromStdString(message)); })
        , settingsWatch(view)
        , alarmWatch(settingsWatch, localNow,
                     [this](const history::AlarmRecord& alarm) {
                         say(QStringLiteral("alarm on channel %1: %2")
                                 .arg(alarm.channel)
                                 .arg(QString::fromLatin1(alarm.label.c_str())));
                         history.record(alarm);
                     })
        , link(alarmWatch, comm) {}

    StationFolders folders;
    SingleInstance instance;
    HeadlessView view;
    mqtt::SettingsWatch settingsWatch;
    history::HistoryLog history;
    history::AlarmWatch alarmWatch;
    serial::SerialComm comm;
    link::MonitorLink link;
    std::unique_ptr<mqtt::StationPublisher> publisher;
    QTimer tick;
    QTimer portRetry;
    int portNumber = 0;
    bool portWarned = false;

    void openPort();
};

HeadlessStation::HeadlessStation(StationFolders folders, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>(std::move(folders))) {}

HeadlessStation::~HeadlessStation() {
    stop();
    // The broker hears "offline" before the history closes under the outbox.
    d->publisher.reset();
    d->history.close();
}

bool HeadlessStation::start() {
    switch (d->instance.tryLock()) {
    case SingleInstance::Result::AlreadyRunning:
        say(QStringLiteral("another station of this user is running (%1); not starting")
                .arg(d->instance.lockPath()));
        return false;
    case SingleInstance::Result::Unchecked:
        say(QStringLiteral("cannot make the single-instance lock %1; not checking for another "
                           "copy")
                .arg(d->instance.lockPath()));
        break;
    case SingleInstance::Result::First:
        break;
    }

    try {
        const auto location = store::locateSettingsFile(d->folders.program.toStdString(),
                                                        d->folders.perUser.toStdString());
        const store::SettingsStore settings(location.file);
        if (const auto stored = settings.ReadSettings()) {
            d->portNumber = stored->CommPortNumber;
        }
    } catch (const store::StoreError& e) {
        say(QString::fromStdString(e.what()));
        return false;
    }

    connect(&d->history, &history::HistoryLog::statusChanged, this, &say);
    if (d->folders.perUser.isEmpty()) {
        say(QStringLiteral("Alarm history off: no data folder"));
    } else {
        const QString file = d->folders.perUser + u'/' + QLatin1String(history::kHistoryFileName);
        d->publisher = std::make_unique<mqtt::StationPublisher>(mqtt::readMqttSettings(), file);
        d->publisher->attach(d->history);
        d->publisher->watchPort(d->comm);
        d->history.open(file);
        d->publisher->start();
    }

    connect(&d->comm, &serial::SerialComm::OnComm, this, [this] {
        if (d->comm.CommEvent() == serial::comEvReceive) {
            d->link.OnReceive(d->comm.InputAll());
        }
    });
    connect(&d->comm, &serial::SerialComm::deviceLost, this, [this](const QString& description) {
        say(serial::portWarningText(serial::PortProblem::Disconnected, d->comm.CommPort(),
                                    d->comm.devicePath(), description));
    });
    connect(&d->comm, &serial::SerialComm::deviceRestored, this,
            [this] { say(QStringLiteral("%1 is back").arg(d->comm.devicePath())); });

    d->portRetry.setInterval(kPortRetryInterval);
    connect(&d->portRetry, &QTimer::timeout, this, [this] { d->openPort(); });
    d->openPort();

    // The loop switch on: polling and reading back run as long as the station does.
    d->link.LOOPSW_ValueChanged(true);
    d->tick.setInterval(kTickInterval);
    connect(&d->tick, &QTimer::timeout, this, [this] {
        d->link.Timer1_Timer();
        if (d->publisher) {
            d->publisher->update(d->settingsWatch);
        }
    });
    d->tick.start();
    say(QStringLiteral("polling %1").arg(d->comm.devicePath()));
    return true;
}

void HeadlessStation::Private::openPort() {
    if (comm.connection() != serial::SerialComm::Connection::Closed) {
        portRetry.stop();
        return;
    }
    comm.setPortOpened(false);
    if (!comm.setCommPort(portNumber) || !comm.setPortOpen(true)) {
        // Said once; the attempts go on quietly until the port opens.
        if (!portWarned) {
            portWarned = true;
            say(serial::portWarningText(serial::PortProblem::NotOpened, portNumber,
                                        serial::devicePathFor(portNumber), comm.errorText()) +
                QStringLiteral(" Trying again every %1 s.").arg(kPortRetryInterval / 1000));
        }
        portRetry.start();
        return;
    }
    comm.setPortOpened(true);
    portRetry.stop();
    if (portWarned) {
        say(QStringLiteral("%1 opened").arg(comm.devicePath()));
        portWarned = false;
    }
}

void HeadlessStation::stop() {
    d->tick.stop();
    d->portRetry.stop();
    if (d->comm.PortOpen()) {
        d->comm.setPortOpen(false);
    }
}

} // namespace remote::headless
