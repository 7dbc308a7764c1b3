#pragma once

#include "remote/alerts/alertfanout.h"
#include "remote/history/alarmwatch.h"
#include "remote/history/frmhistory.h"
#include "remote/history/historylog.h"
#include "remote/mqtt/settingswatch.h"
#include "remote/recording/linerecorder.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>
#include <span>
#include <string>

class QAction;
class QLabel;
class QMainWindow;

namespace remote::alerts {
class StationAlerts;
}
namespace remote::mqtt {
class StationPublisher;
}
namespace remote::recording {
class ReplayRunner;
}
namespace remote::serial {
class SerialComm;
}

namespace remote::startup {

// The alarm history and the line recorder and replay as the main window uses them. The
// link talks to view() and port() instead of the window and the serial control; the
// window hands over received bytes and the end of each tick, and the menus and status-bar
// indicators come from install().
class StationRecords : public QObject {
    Q_OBJECT

public:
    StationRecords(remote::link::MonitorView& window, remote::serial::SerialComm& comm,
                   QObject* parent = nullptr);
    ~StationRecords() override;

    remote::link::MonitorView& view() { return m_watch; }
    remote::history::AlarmWatch& watch() { return m_watch; }
    remote::link::LinkPort& port() { return m_port; }

    // Adds the "View" menu ("Alarm history", the recording and replay items) and the
    // status-bar indicators to the window, and opens the history in dataFolder.
    // receive is the link's receive entry point, which a replay feeds.
    void install(QMainWindow& window, const QString& dataFolder,
                 std::function<void(std::span<const std::uint8_t>)> receive);

    // ---- From the window ----
    void received(std::span<const std::uint8_t> bytes);
    void tickDone();

    // ---- Operator actions (the menu items ask for files first) ----
    bool startRecording(const QString& file);
    void stopRecording();
    // speed 1, 4, 16, or 0 for as fast as possible.
    bool startReplay(const QString& file, int speed);
    void stopReplay();
    void showHistory();
    // The report window for [fromMs, toMs] (UTC milliseconds).
    void showReport(std::int64_t fromMs, std::int64_t toMs);

    bool recording() const { return m_recorder.active(); }
    bool replaying() const { return m_replay != nullptr; }
    remote::history::HistoryLog& history() { return m_history; }
    // Where each alarm goes: the history first, then the alerts (added by install()).
    remote::alerts::AlertFanout& alarmSinks() { return m_alarmSinks; }
    remote::alerts::StationAlerts* alerts() const { return m_alerts.get(); }
    // The broker's state, or null when publishing is off.
    remote::mqtt::StationPublisher* publisher() const { return m_mqtt.get(); }
    remote::history::frmHistory* historyWindow() const { return m_historyWindow; }
    QString statusText() const;
    // The status bar's message about the last problem (history, recording or replay).
    QString problemText() const;

    static constexpr char kReplayTitle[] = " - REPLAY";

signals:
    // A replay began or ended: the save buttons are locked while it runs.
    void replayChanged(bool replaying);

private:
    void updateStatus();
    void report(const QString& message);

    remote::link::MonitorView& m_window;
    remote::serial::SerialComm& m_comm;
    remote::mqtt::SettingsWatch m_settingsWatch;
    remote::history::HistoryLog m_history;
    remote::alerts::AlertFanout m_alarmSinks;
    remote::history::AlarmWatch m_watch;
    remote::recording::LineRecorder m_recorder;
    remote::recording::RecordingPort m_port;
    std::function<void(std::span<const std::uint8_t>)> m_receive;
    QMainWindow* m_mainWindow = nullptr;
    QLabel* m_recordLabel = nullptr;
    QLabel* m_problemLabel = nullptr;
    QAction* m_recordAction = nullptr;
    QAction* m_replayAction = nullptr;
    QString m_title;
    bool m_portWasOpen = false;
    std::unique_ptr<remote::recording::ReplayRunner> m_replay;
    std::unique_ptr<remote::mqtt::StationPublisher> m_mqtt;
    struct StatusShown {
        bool recording = false;
        std::uint64_t size = 0;
        std::string error;
        bool operator==(const StatusShown&) const = default;
    };
    std::optional<StatusShown> m_statusShown; // what the status widgets show now
    QPointer<remote::history::frmHistory> m_historyWindow;
    std::unique_ptr<remote::alerts::StationAlerts> m_alerts;
    QString m_dataFolder;
};

} // namespace remote::startup
