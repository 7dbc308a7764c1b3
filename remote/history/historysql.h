#pragma once

// The engine calls the store and the reader share. Internal to the history's core.

#include "remote/history/historyerror.h"
#include "remote/history/settingssnapshot.h"

#include <sqlcipher/sqlite3.h>

#include <string>
#include <vector>

namespace remote::history::sql {

// The connection's last error as a HistoryError, with the engine's code and the system's
// errno, so the cause can be named.
HistoryError error(sqlite3* db, int rc);

class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, std::int64_t value) { check(sqlite3_bind_int64(m_stmt, index, value)); }
    void bindText(int index, const std::string& text) {
        check(sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT));
    }
    void bindNull(int index) { check(sqlite3_bind_null(m_stmt, index)); }
    // True for a row, false when done; a HistoryError otherwise.
    bool step();
    // The engine's result as it is: SQLITE_ROW, SQLITE_DONE or an error code.
    int stepCode() { return sqlite3_step(m_stmt); }
    void reset() {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    std::int64_t integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    bool isNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }
    std::string text(int column) const;
    // Columns id, utc_ms, utc_offset_s, channel, label, detector_clock, dropped_bytes from
    // the first, into a record that is reused row after row, its strings' memory with it.
    void fill(AlarmRecord& r, int first = 0) const;

private:
    void check(int rc) const {
        if (rc != SQLITE_OK) {
            throw error(m_db, rc);
        }
    }
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

void exec(sqlite3* db, const char* sql);
std::int64_t scalar(sqlite3* db, const char* sql);

// Binds a filter to the three parameters of the reading queries: from, to and the channel
// mask, in that order.
inline void bindFilter(Statement& s, const HistoryFilter& filter) {
    s.bind(1, filter.from.value_or(INT64_MIN));
    s.bind(2, filter.to.value_or(INT64_MAX));
    s.bind(3, filter.channelMask);
}

// The alarm columns fill reads, for a file of the given schema version (older files had no
// dropped-byte count: 0).
inline const char* alarmColumns(std::int64_t version) {
    return version >= 2 ? "id, utc_ms, utc_offset_s, channel, label, detector_clock, dropped_bytes"
                        : "id, utc_ms, utc_offset_s, channel, label, detector_clock, 0";
}

inline constexpr char kSnapshotColumns[] =
    "id, utc_ms, utc_offset_s, detector_id, serial, rf_time, channel_times, repeat_time, laser,"
    " switches";
// Columns kSnapshotColumns from the first into a snapshot.
void fillSnapshot(const Statement& s, SettingsSnapshot& snapshot);
// The snapshots in force during a range: the last one before its start and every one in it,
// oldest first; bounded by kSnapshotLimit (the newest kept), as a crafted file may hold
// any number.
inline constexpr std::size_t kSnapshotLimit = 10'000;
std::vector<SettingsSnapshot> snapshots(sqlite3* db, const HistoryFilter& range);
// Binds a snapshot's columns after the id, from the first parameter.
void bindSnapshot(Statement& s, const SettingsSnapshot& snapshot);

} // namespace remote::history::sql
