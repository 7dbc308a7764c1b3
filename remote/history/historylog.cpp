#include "remote/history/historylog.h"

namespace remote::history {

HistoryLog::HistoryLog(QObject* parent)
    : QObject(parent) {
    m_retryTimer.setInterval(kRetryIntervalMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &HistoryLog::retry);
}

HistoryLog::~HistoryLog() {
    if (m_writer && m_writer->waiting() > 0) {
        m_writer->retry({});
    }
    m_writer.reset();
}

bool HistoryLog::open(const QString& file) {
    m_writer.reset();
    HistoryStoreOptions options;
    // From the checkpointer's thread: handed to this object's thread before it is shown.
    options.checkpointFailed = [this](const HistoryError& error) {
        const QString text = QString::fromStdString(HistoryWriter::checkpointProblem(error));
        QMetaObject::invokeMethod(
            this, [this, text] { emit statusChanged(text); }, Qt::QueuedConnection);
    };
    options.companion = m_companion;
    m_writer = std::make_unique<HistoryWriter>(file.toStdString(), options);
    const bool opened = m_writer->open();
    update();
    return opened;
}

void HistoryLog::record(const AlarmRecord& alarm) {
    if (!m_writer) {
        return;
    }
    m_writer->record(alarm, [this](const AlarmRecord& stored) { emit alarmStored(stored); });
    update();
}

void HistoryLog::recordSnapshot(const SettingsSnapshot& snapshot) {
    if (!m_writer) {
        return;
    }
    m_writer->recordSnapshot(snapshot,
                             [this](const AlarmRecord& stored) { emit alarmStored(stored); });
    update();
}

void HistoryLog::retry() {
    if (!m_writer) {
        return;
    }
    m_writer->retry([this](const AlarmRecord& stored) { emit alarmStored(stored); });
    update();
}

void HistoryLog::close() {
    if (!m_writer) {
        return;
    }
    if (m_writer->waiting() > 0) {
        m_writer->retry([this](const AlarmRecord& stored) { emit alarmStored(stored); });
    }
    m_writer->close();
    m_retryTimer.stop();
}

void HistoryLog::update() {
    const QString notice = QString::fromStdString(m_writer->takeNotice());
    if (!notice.isEmpty()) {
        emit statusChanged(notice);
    }
    const QString problem = QString::fromStdString(m_writer->problem());
    if (problem != m_problem) {
        const bool began = m_problem.isEmpty();
        m_problem = problem;
        if (!problem.isEmpty()) {
            if (began) {
                emit problemFound(problem);
            }
            emit statusChanged(problem);
        }
    }
    if (!m_writer->needsRetry()) {
        m_retryTimer.stop();
    } else if (!m_retryTimer.isActive()) {
        m_retryTimer.start();
    }
}

} // namespace remote::history
