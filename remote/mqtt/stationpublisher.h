#pragma once

#include "remote/mqtt/mqttpublisher.h"

#include <QObject>
#include <QString>

#include <memory>

namespace remote::history {
class HistoryLog;
}
namespace remote::serial {
class SerialComm;
}

namespace remote::mqtt {

class SettingsWatch;

// The publisher as a station (windowed or headless) uses it: the outbox goes into the
// history, stored alarms, the port's state and the settings read back go to the broker,
// and the broker's state comes back as one line of text on this object's thread.
class StationPublisher : public QObject {
    Q_OBJECT

public:
    StationPublisher(MqttSettings settings, const QString& historyFile,
                     PublisherOptions options = {}, QObject* parent = nullptr);
    ~StationPublisher() override;

    bool enabled() const { return m_settings.enabled(); }

    // Before the history is opened: every alarm it stores enters the outbox in the same
    // transaction, and each stored alarm wakes the publisher.
    void attach(history::HistoryLog& history);
    // The status topic follows the port's state.
    void watchPort(serial::SerialComm& comm);
    void start();
    // At the end of each tick: the settings and the detector's identity, published when
    // they changed.
    void update(const SettingsWatch& watch);

    // The onAlarm-style entry point of a sink.
    void onAlarm(const history::AlarmRecord& alarm);

    QString statusText() const { return m_text; }
    BrokerReport report() const;

signals:
    void statusChanged(const QString& text);

private:
    void reported(const BrokerReport& report);
    void showPort();

    MqttSettings m_settings;
    std::unique_ptr<MqttPublisher> m_publisher;
    serial::SerialComm* m_comm = nullptr;
    StationStatus m_status;
    QString m_text;
    QString m_logged;
};

} // namespace remote::mqtt
