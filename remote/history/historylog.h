#pragma once

#include "remote/history/historystore.h"

#include <QObject>
#include <QString>

#include <memory>

// The station's alarm history as the windows see it: the store when it could be opened,
// and the one problem that stopped it otherwise. A failure never stops the station: the
// problem is reported once and later alarms are only shown.
class HistoryLog : public QObject {
    Q_OBJECT

public:
    explicit HistoryLog(QObject* parent = nullptr);
    ~HistoryLog() override;

    // The history file in the user's data folder.
    static QString defaultFile();

    // Opens (or creates) the file and its folder; false, with problem() set and
    // problemFound emitted, when that fails.
    bool open(const QString& file);

    // Stores an alarm and tells the windows; a failing store is closed for the run.
    void record(const remote::history::AlarmRecord& alarm);

    bool available() const { return m_store != nullptr; }
    QString problem() const { return m_problem; }
    // The open store, or null.
    const remote::history::HistoryStore* store() const { return m_store.get(); }

signals:
    void alarmStored(const remote::history::AlarmRecord& alarm);
    void problemFound(const QString& message);

private:
    void fail(const QString& message);

    std::unique_ptr<remote::history::HistoryStore> m_store;
    QString m_problem;
};
