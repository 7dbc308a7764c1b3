#include "remote/history/historysql.h"

#include <climits>

namespace remote::history::sql {

HistoryError error(sqlite3* db, int rc) {
    if (!db) {
        return HistoryError(sqlite3_errstr(rc), rc);
    }
    return HistoryError(sqlite3_errmsg(db), sqlite3_extended_errcode(db), sqlite3_system_errno(db));
}

Statement::Statement(sqlite3* db, const char* sql)
    : m_db(db) {
    const int rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw error(db, rc);
    }
}

bool Statement::step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc != SQLITE_DONE) {
        throw error(m_db, rc);
    }
    return false;
}

std::string Statement::text(int column) const {
    const auto* p = sqlite3_column_text(m_stmt, column);
    return p ? std::string(reinterpret_cast<const char*>(p),
                           static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)))
             : std::string();
}

void Statement::fill(AlarmRecord& r, int first) const {
    const auto assign = [this](std::string& to, int column) {
        const auto* p = sqlite3_column_text(m_stmt, column);
        to.assign(p ? reinterpret_cast<const char*>(p) : "",
                  static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)));
    };
    r.id = integer(first);
    r.utcMs = integer(first + 1);
    r.utcOffsetSeconds = static_cast<int>(integer(first + 2));
    r.channel = static_cast<int>(integer(first + 3));
    assign(r.label, first + 4);
    if (isNull(first + 5)) {
        r.detectorClock.reset();
    } else {
        assign(r.detectorClock ? *r.detectorClock : r.detectorClock.emplace(), first + 5);
    }
    // A damaged or crafted file may hold anything: a count out of range reads as none.
    const std::int64_t dropped = integer(first + 6);
    r.droppedBytes = dropped < 0 || dropped > UINT32_MAX ? 0 : static_cast<std::uint32_t>(dropped);
}

namespace {

template <std::size_t N>
std::string joined(const std::array<std::string, N>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : " ") + part;
    }
    return text;
}

// At most N words, the rest of the text in the last; missing ones empty.
template <std::size_t N>
void split(const std::string& text, std::array<std::string, N>& parts) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < N; ++i) {
        const std::size_t end = i + 1 == N ? std::string::npos : text.find(' ', at);
        parts[i] = at < text.size() ? text.substr(at, end == std::string::npos ? end : end - at)
                                    : std::string();
        at = end == std::string::npos ? text.size() : end + 1;
    }
}

} // namespace

void fillSnapshot(const Statement& s, SettingsSnapshot& snapshot) {
    snapshot.id = s.integer(0);
    snapshot.utcMs = s.integer(1);
    snapshot.utcOffsetSeconds = static_cast<int>(s.integer(2));
    snapshot.detectorId = s.text(3);
    snapshot.serial = s.text(4);
    snapshot.rfTime = s.text(5);
    split(s.text(6), snapshot.channelTimes);
    snapshot.repeatTime = s.text(7);
    split(s.text(8), snapshot.laser);
    snapshot.switches = static_cast<std::uint8_t>(s.integer(9) & 0x0F);
}

void bindSnapshot(Statement& s, const SettingsSnapshot& snapshot) {
    s.bind(1, snapshot.utcMs);
    s.bind(2, snapshot.utcOffsetSeconds);
    s.bindText(3, snapshot.detectorId);
    s.bindText(4, snapshot.serial);
    s.bindText(5, snapshot.rfTime);
    s.bindText(6, joined(snapshot.channelTimes));
    s.bindText(7, snapshot.repeatTime);
    s.bindText(8, joined(snapshot.laser));
    s.bind(9, snapshot.switches);
}

void exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        HistoryError e = error(db, rc);
        if (message) {
            e = HistoryError(message, e.code(), e.systemError());
        }
        sqlite3_free(message);
        throw e;
    }
}

std::int64_t scalar(sqlite3* db, const char* sql) {
    Statement s(db, sql);
    return s.step() ? s.integer(0) : 0;
}

} // namespace remote::history::sql

namespace remote::history::sql {

std::vector<SettingsSnapshot> snapshots(sqlite3* db, const HistoryFilter& range) {
    std::vector<SettingsSnapshot> found;
    const std::int64_t from = range.from.value_or(INT64_MIN);
    const std::int64_t to = range.to.value_or(INT64_MAX);
    {
        Statement before(db,
                         (std::string("SELECT ") + kSnapshotColumns +
                          " FROM settings_snapshot WHERE utc_ms < ? ORDER BY utc_ms DESC, id DESC"
                          " LIMIT 1")
                             .c_str());
        before.bind(1, from);
        if (before.step()) {
            fillSnapshot(before, found.emplace_back());
        }
    }
    Statement in(db, (std::string("SELECT ") + kSnapshotColumns +
                      " FROM (SELECT * FROM settings_snapshot WHERE utc_ms >= ? AND utc_ms < ?"
                      " ORDER BY utc_ms DESC, id DESC LIMIT ?) ORDER BY utc_ms, id")
                         .c_str());
    in.bind(1, from);
    in.bind(2, to);
    in.bind(3, static_cast<std::int64_t>(kSnapshotLimit));
    while (in.step()) {
        fillSnapshot(in, found.emplace_back());
    }
    return found;
}

} // namespace remote::history::sql
