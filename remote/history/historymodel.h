#pragma once

#include "remote/history/historystore.h"

#include <QAbstractTableModel>

#include <vector>

namespace remote::history {

// The shown alarms as a table: time, channel, label, the detector's clock and the bytes the
// line dropped in the two seconds before. Holds the
// rows of the current filter; new alarms that pass it are appended as they come.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Time, Channel, Label, DetectorClock, DroppedBytes, ColumnCount };

    explicit HistoryModel(QObject* parent = nullptr);

    void setFilter(const HistoryFilter& filter);
    const HistoryFilter& filter() const { return m_filter; }
    // Replaces the rows with those of the store that pass the filter (none without one);
    // false, with error() set and no rows, when the store cannot be read.
    bool reload(const HistoryStore* store);
    // Why the last reload failed; empty when it did not.
    const QString& error() const { return m_error; }
    // Appends a new alarm when it passes the filter.
    void add(const AlarmRecord& alarm);
    const std::vector<AlarmRecord>& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    std::vector<AlarmRecord> m_rows;
    HistoryFilter m_filter;
    QString m_error;
    int m_sortColumn = Time;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace remote::history
