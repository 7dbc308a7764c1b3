#include "remote/store/connection.h"

#include "remote/store/storeconstants.h"
#include "remote/store/storeerror.h"

#include <sqlcipher/sqlite3.h>

#include <cstring>

namespace remote::store {

namespace {

StoreError::Cause causeOf(int code) {
    switch (code & 0xFF) {
    case SQLITE_CANTOPEN:
        return StoreError::Cause::CannotOpen;
    case SQLITE_NOTADB:
        return StoreError::Cause::NotADatabase;
    case SQLITE_CORRUPT:
        return StoreError::Cause::Damaged;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return StoreError::Cause::Locked;
    default:
        return StoreError::Cause::Other;
    }
}

} // namespace

Connection::Connection(const std::filesystem::path& file, int timeoutSeconds)
    : m_file(file)
    , m_timeoutSeconds(timeoutSeconds) {
    // No SQLITE_OPEN_CREATE: the file is delivered with the program, and a missing file
    // must fail here rather than leave an empty keyed database behind.
    const int rc = sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw StoreError(message, causeOf(rc));
    }
    try {
        sqlite3_busy_timeout(m_db, timeoutSeconds * 1000);
        if (sqlite3_key(m_db, kSettingsPassword,
                        static_cast<int>(std::strlen(kSettingsPassword))) != SQLITE_OK) {
            fail();
        }
        checkReadable();
    } catch (...) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw;
    }
}

Connection::~Connection() {
    sqlite3_close(m_db);
}

void Connection::checkReadable() {
    // The key is only tried when the first page is read, so a wrong key or a foreign file
    // shows up here; the integrity check finds damaged pages before anything is written.
    Statement check(*this, "PRAGMA quick_check");
    if (!check.step()) {
        throw StoreError(sqlite3_errstr(SQLITE_CORRUPT), StoreError::Cause::Damaged);
    }
    const std::string verdict = check.text(0);
    if (verdict != "ok") {
        // The check's report can run to many lines; the first names the damage.
        throw StoreError(std::string(sqlite3_errstr(SQLITE_CORRUPT)) + ": " +
                             verdict.substr(0, verdict.find('\n')),
                         StoreError::Cause::Damaged);
    }
}

void Connection::exec(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : sqlite3_errmsg(m_db);
        sqlite3_free(error);
        throw StoreError(message, causeOf(sqlite3_errcode(m_db)));
    }
}

void Connection::fail() const {
    throw StoreError(sqlite3_errmsg(m_db), causeOf(sqlite3_errcode(m_db)));
}

Statement::Statement(const Connection& connection, const std::string& sql)
    : m_connection(connection) {
    if (sqlite3_prepare_v2(connection.handle(), sql.c_str(), static_cast<int>(sql.size()), &m_stmt,
                           nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        connection.fail();
    }
}

Statement::~Statement() {
    sqlite3_finalize(m_stmt);
}

void Statement::bind(int index, int value) {
    if (sqlite3_bind_int(m_stmt, index, value) != SQLITE_OK) {
        m_connection.fail();
    }
}

void Statement::bind(int index, long long value) {
    if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK) {
        m_connection.fail();
    }
}

void Statement::bind(int index, const std::string& text) {
    if (sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK) {
        m_connection.fail();
    }
}

bool Statement::step() {
    switch (sqlite3_step(m_stmt)) {
    case SQLITE_ROW:
        return true;
    case SQLITE_DONE:
        return false;
    default:
        m_connection.fail();
    }
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

long long Statement::integer(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

std::string Statement::text(int column) const {
    const auto* bytes = sqlite3_column_text(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    return bytes ? std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size))
                 : std::string();
}

Transaction::Transaction(Connection& connection)
    : m_connection(connection) {
    // IMMEDIATE takes the write lock up front, so a file held by someone else fails
    // before anything has been changed.
    m_connection.exec("BEGIN IMMEDIATE");
    m_open = true;
}

Transaction::~Transaction() {
    if (m_open) {
        sqlite3_exec(m_connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit() {
    m_connection.exec("COMMIT");
    m_open = false;
}

} // namespace remote::store
