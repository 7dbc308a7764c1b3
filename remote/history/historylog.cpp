#include "remote/history/historylog.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

HistoryLog::HistoryLog(QObject* parent)
    : QObject(parent) {}

HistoryLog::~HistoryLog() = default;

QString HistoryLog::defaultFile() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/alarm-history.sqlite3");
}

bool HistoryLog::open(const QString& file) {
    m_store.reset();
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder)) {
        fail(QStringLiteral("Alarm history off: cannot create %1").arg(folder));
        return false;
    }
    try {
        m_store = std::make_unique<remote::history::HistoryStore>(file.toStdString());
        return true;
    } catch (const remote::history::HistoryError& e) {
        fail(QStringLiteral("Alarm history off: %1 (%2)")
                 .arg(QString::fromStdString(e.what()), file));
        return false;
    }
}

void HistoryLog::record(const remote::history::AlarmRecord& alarm) {
    if (!m_store) {
        return;
    }
    remote::history::AlarmRecord stored = alarm;
    try {
        m_store->insert(stored);
    } catch (const remote::history::HistoryError& e) {
        m_store.reset();
        fail(QStringLiteral("Alarm history off: %1").arg(QString::fromStdString(e.what())));
        return;
    }
    emit alarmStored(stored);
}

void HistoryLog::fail(const QString& message) {
    if (!m_problem.isEmpty()) {
        return;
    }
    m_problem = message;
    emit problemFound(message);
}
