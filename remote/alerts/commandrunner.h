#pragma once

#include "remote/alerts/alerttexts.h"
#include "remote/alerts/commandqueue.h"
#include "remote/history/alarmrecord.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <map>
#include <memory>

class QProcess;

namespace remote::alerts {

// The operator's alarm command, run once per alarm without a shell: the text is split as
// QProcess::splitCommand does, the alarm goes in REMOTE_ALARM_* variables. The queue keeps
// the number running and the time each may take; every process is started and watched
// asynchronously.
class CommandRunner : public QObject, private CommandQueue::Launcher {
    Q_OBJECT

public:
    explicit CommandRunner(CommandQueue::Limits limits = {}, QObject* parent = nullptr);
    ~CommandRunner() override;

    void setCommand(const QString& command) { m_command = command; }
    const QString& command() const { return m_command; }
    void run(const history::AlarmRecord& alarm);

    const CommandQueue& queue() const { return m_queue; }

signals:
    // A run failed (exit status and the first line of its error output), or could not start.
    void failed(const QString& message);
    // Runs were dropped because too many waited; total is the count since start.
    void dropped(std::uint64_t total);
    // A run ended, whatever the outcome.
    void ended();

private:
    void start(CommandQueue::JobId id, const CommandJob& job) override;
    void kill(CommandQueue::JobId id) override;
    void end(CommandQueue::JobId id, CommandEnd end);
    void armTimer();
    std::int64_t now() const { return m_clock.elapsed(); }

    struct Process;
    QString m_command;
    QElapsedTimer m_clock;
    QTimer m_deadline;
    CommandQueue m_queue;
    std::map<CommandQueue::JobId, std::shared_ptr<Process>> m_processes;
};

} // namespace remote::alerts
