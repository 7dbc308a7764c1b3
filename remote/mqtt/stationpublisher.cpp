#include "remote/mqtt/stationpublisher.h"

#include "remote/history/historylog.h"
#include "remote/mqtt/outbox.h"
#include "remote/mqtt/settingswatch.h"
#include "remote/serial/serialcomm.h"

#include <QPointer>

#include <cstdio>

namespace remote::mqtt {

StationPublisher::StationPublisher(MqttSettings settings, const QString& historyFile,
                                   PublisherOptions options, QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings)) {
    // Reports come on the publisher's thread; the text is made and shown on this one.
    m_publisher = std::make_unique<MqttPublisher>(
        m_settings, std::filesystem::path(historyFile.toStdString()), options,
        [self = QPointer<StationPublisher>(this)](const BrokerReport& report) {
            QMetaObject::invokeMethod(
                self.data(),
                [self, report] {
                    if (self) {
                        self->reported(report);
                    }
                },
                Qt::QueuedConnection);
        });
    reported(m_publisher->report());
}

StationPublisher::~StationPublisher() {
    m_publisher->stop();
}

void StationPublisher::attach(history::HistoryLog& history) {
    if (!enabled()) {
        return;
    }
    history.setCompanion(outboxCompanion());
    connect(&history, &history::HistoryLog::alarmStored, this, &StationPublisher::onAlarm);
}

void StationPublisher::watchPort(serial::SerialComm& comm) {
    m_comm = &comm;
    connect(&comm, &serial::SerialComm::connectionChanged, this, &StationPublisher::showPort);
    showPort();
}

void StationPublisher::start() {
    m_publisher->start();
}

void StationPublisher::onAlarm(const history::AlarmRecord& alarm) {
    m_publisher->onAlarm(alarm);
}

void StationPublisher::update(const SettingsWatch& watch) {
    if (!enabled() || watch.snapshot().empty()) {
        return;
    }
    m_publisher->setSettings(watch.snapshot());
    StationStatus status = m_status;
    status.detectorId = watch.detectorId();
    status.serial = watch.serial();
    if (status != m_status) {
        m_status = status;
        m_publisher->setStatus(m_status);
    }
}

BrokerReport StationPublisher::report() const {
    return m_publisher->report();
}

void StationPublisher::showPort() {
    if (!m_comm) {
        return;
    }
    switch (m_comm->connection()) {
    case serial::SerialComm::Connection::Open:
        m_status.link = "open";
        break;
    case serial::SerialComm::Connection::Closed:
        m_status.link = "closed";
        break;
    case serial::SerialComm::Connection::Lost:
        m_status.link = "lost";
        break;
    }
    m_status.port = m_comm->devicePath().toStdString();
    m_publisher->setStatus(m_status);
}

void StationPublisher::reported(const BrokerReport& report) {
    const QString text = QString::fromStdString(describe(report, m_settings));
    if (text != m_text) {
        m_text = text;
        emit statusChanged(text);
    }
    // The log (the journal under systemd) hears of each new state once, not of every
    // attempt of the retry loop.
    if (report.state == BrokerState::Connecting || report.state == BrokerState::Off) {
        return;
    }
    BrokerReport quiet = report;
    quiet.waiting = 0;
    quiet.retrySeconds = 0;
    const QString logged = QString::fromStdString(describe(quiet, m_settings));
    if (logged != m_logged) {
        m_logged = logged;
        std::fprintf(stderr, "remote: %s\n", qPrintable(logged));
    }
}

} // namespace remote::mqtt
