#pragma once

#include "remote/history/historymodel.h"
#include "remote/history/timelineview.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QDateTimeEdit;
class QLabel;
class QPushButton;
class QTableView;

namespace remote::history {

class HistoryLog;

// The alarm history window: filters (channel, time range), the timeline and the table of
// the shown alarms, which follow new alarms as they are stored, and the CSV export.
class frmHistory : public QWidget {
    Q_OBJECT

public:
    enum Range { LastHour, LastDay, Custom };
    // Milliseconds since the epoch, UTC; the window's "now" (tests pass a fixed one).
    using Clock = std::function<std::int64_t()>;

    explicit frmHistory(HistoryLog& log, Clock clock = {}, QWidget* parent = nullptr);

    void setRange(Range range);
    void setCustomRange(std::int64_t fromMs, std::int64_t toMs);
    void setChannel(int channel); // -1: all
    // Writes the shown rows to file; false with the reason in error.
    bool exportCsv(const QString& file, QString& error) const;

    HistoryModel& model() { return m_model; }
    // The line under the table: the alarms shown, or why they cannot be.
    QString statusText() const;
    QLabel* statusLabel() const { return lblStatus; }
    TimelineView* timelineView() const { return m_timeline; }
    // The range shown, UTC milliseconds.
    std::int64_t fromMs() const { return m_fromMs; }
    std::int64_t toMs() const { return m_toMs; }
    QPushButton* reportButton() const { return cmdReport; }
    QTableView* table() const { return m_table; }

    static constexpr char kCaption[] = "Alarm history";

signals:
    // The operator asked for a sweep report of the shown range.
    void reportRequested(std::int64_t fromMs, std::int64_t toMs);

private:
    void refresh();
    void alarmStored(const AlarmRecord& alarm);
    void exportClicked();
    void showStatus();
    void updateTimeline();

    HistoryLog& m_log;
    Clock m_clock;
    HistoryModel m_model;
    QComboBox* cboChannel = nullptr;
    QComboBox* cboRange = nullptr;
    QDateTimeEdit* txtFrom = nullptr;
    QDateTimeEdit* txtTo = nullptr;
    QPushButton* cmdExport = nullptr;
    QPushButton* cmdReport = nullptr;
    QLabel* lblStatus = nullptr;
    TimelineView* m_timeline = nullptr;
    QTableView* m_table = nullptr;
    std::int64_t m_fromMs = 0;
    std::int64_t m_toMs = 0;
};

} // namespace remote::history
