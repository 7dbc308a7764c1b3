#include "remote/history/historymodel.h"

#include <algorithm>

namespace remote::history {

HistoryModel::HistoryModel(QObject* parent)
    : QAbstractTableModel(parent) {}

void HistoryModel::setFilter(const HistoryFilter& filter) {
    m_filter = filter;
}

bool HistoryModel::reload(const HistoryStore* store) {
    beginResetModel();
    m_rows.clear();
    m_error.clear();
    if (store) {
        try {
            m_rows = store->read(m_filter);
        } catch (const HistoryError& e) {
            m_rows.clear();
            m_error = QString::fromStdString(e.what());
        }
    }
    endResetModel();
    sort(m_sortColumn, m_sortOrder);
    return m_error.isEmpty();
}

void HistoryModel::add(const AlarmRecord& alarm) {
    if (!m_filter.accepts(alarm)) {
        return;
    }
    // Appended at the end, where a new alarm belongs in the default (oldest first) order;
    // other orders are re-sorted.
    const int row = static_cast<int>(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.push_back(alarm);
    endInsertRows();
    if (m_sortColumn != Time || m_sortOrder != Qt::AscendingOrder) {
        sort(m_sortColumn, m_sortOrder);
    }
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount() ||
        role != Qt::DisplayRole) {
        return {};
    }
    const AlarmRecord& r = m_rows[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case Time:
        return QString::fromStdString(isoLocalTime(r.utcMs, r.utcOffsetSeconds));
    case Channel:
        return r.channel;
    case Label:
        return QString::fromStdString(r.label);
    case DetectorClock:
        return QString::fromStdString(r.detectorClock.value_or(std::string()));
    case DroppedBytes:
        return r.droppedBytes;
    default:
        return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case Time:
        return QStringLiteral("Time");
    case Channel:
        return QStringLiteral("Channel");
    case Label:
        return QStringLiteral("Label");
    case DetectorClock:
        return QStringLiteral("Detector clock");
    case DroppedBytes:
        return QStringLiteral("Dropped bytes");
    default:
        return {};
    }
}

void HistoryModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount) {
        return;
    }
    m_sortColumn = column;
    m_sortOrder = order;
    const auto key = [column](const AlarmRecord& a, const AlarmRecord& b) {
        switch (column) {
        case Channel:
            return std::tie(a.channel, a.utcMs, a.id) < std::tie(b.channel, b.utcMs, b.id);
        case Label:
            return std::tie(a.label, a.utcMs, a.id) < std::tie(b.label, b.utcMs, b.id);
        case DetectorClock:
            return std::tie(a.detectorClock, a.utcMs, a.id) <
                   std::tie(b.detectorClock, b.utcMs, b.id);
        case DroppedBytes:
            return std::tie(a.droppedBytes, a.utcMs, a.id) <
                   std::tie(b.droppedBytes, b.utcMs, b.id);
        default:
            return std::tie(a.utcMs, a.id) < std::tie(b.utcMs, b.id);
        }
    };
    emit layoutAboutToBeChanged();
    if (order == Qt::AscendingOrder) {
        std::stable_sort(m_rows.begin(), m_rows.end(), key);
    } else {
        std::stable_sort(m_rows.begin(), m_rows.end(),
                         [&key](const AlarmRecord& a, const AlarmRecord& b) { return key(b, a); });
    }
    emit layoutChanged();
}

} // namespace remote::history
