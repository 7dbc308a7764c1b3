#pragma once

#include "remote/history/historywriter.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <utility>

namespace remote::history {

// The station's alarm history as the windows see it. A failure never stops the station and
// loses no alarm while memory holds it: alarms that cannot be written wait and are tried
// again at the next alarm and every kRetryIntervalMs; the status bar is told why they wait
// and how many do.
class HistoryLog : public QObject {
    Q_OBJECT

public:
    static constexpr int kRetryIntervalMs = 5000;

    explicit HistoryLog(QObject* parent = nullptr);
    // Tries once more to write what waits, then closes the file with its log folded back.
    ~HistoryLog() override;

    // Opens (or creates) the file and its folder; false, with problem() set and
    // problemFound emitted, when that fails. Alarms are kept from here on either way.
    bool open(const QString& file);
    // Rows written with every alarm from the next open() on (a publisher's outbox).
    void setCompanion(CompanionFactory companion) { m_companion = std::move(companion); }

    // Stores an alarm after any that wait and tells the windows of each one written.
    void record(const AlarmRecord& alarm);
    // Stores the settings the detector read back (see HistoryWriter::recordSnapshot).
    void recordSnapshot(const SettingsSnapshot& snapshot);
    // Writes the alarms that wait, reopening the file when it was closed by a failure.
    void retry();
    // Closes the file as at shutdown: its log is folded back into it.
    void close();

    bool available() const { return m_writer && m_writer->isOpen(); }
    // What keeps alarms from the file, with how many wait; empty while they are written.
    QString problem() const { return m_problem; }
    std::size_t waiting() const { return m_writer ? m_writer->waiting() : 0; }
    bool retrying() const { return m_retryTimer.isActive(); }
    // The open store, or null.
    const HistoryStore* store() const { return m_writer ? m_writer->store() : nullptr; }

signals:
    void alarmStored(const AlarmRecord& alarm);
    // Alarms stopped reaching the file: once until they reach it again.
    void problemFound(const QString& message);
    // The history's line in the status bar: a problem as it changes (the alarms waiting),
    // a damaged file set aside, the file written again, a failed checkpoint.
    void statusChanged(const QString& text);

private:
    void update();

    std::unique_ptr<HistoryWriter> m_writer;
    QTimer m_retryTimer;
    QString m_problem;
    CompanionFactory m_companion;
};

} // namespace remote::history
