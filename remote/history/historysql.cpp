#include "remote/history/historysql.h"

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
