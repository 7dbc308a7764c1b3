#include "remote/history/historystore.h"

#include <sqlcipher/sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace remote::history {
namespace {

class Statement {
public:
    Statement(sqlite3* db, const char* sql)
        : m_db(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
            throw HistoryError(sqlite3_errmsg(db));
        }
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, std::int64_t value) { check(sqlite3_bind_int64(m_stmt, index, value)); }
    void bindText(int index, const std::string& text) {
        check(sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT));
    }
    void bindNull(int index) { check(sqlite3_bind_null(m_stmt, index)); }
    bool step() {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            return true;
        }
        if (rc != SQLITE_DONE) {
            throw HistoryError(sqlite3_errmsg(m_db));
        }
        return false;
    }
    void reset() {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    std::int64_t integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    bool isNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }
    std::string text(int column) const {
        const auto* p = sqlite3_column_text(m_stmt, column);
        return p ? std::string(reinterpret_cast<const char*>(p),
                               static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)))
                 : std::string();
    }

private:
    void check(int rc) const {
        if (rc != SQLITE_OK) {
            throw HistoryError(sqlite3_errmsg(m_db));
        }
    }
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

void exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : sqlite3_errmsg(db);
        sqlite3_free(error);
        throw HistoryError(message);
    }
}

std::int64_t scalar(sqlite3* db, const char* sql) {
    Statement s(db, sql);
    return s.step() ? s.integer(0) : 0;
}

} // namespace

bool HistoryFilter::accepts(const AlarmRecord& r) const {
    return (!from || r.utcMs >= *from) && (!to || r.utcMs < *to) && r.channel >= 0 &&
           r.channel < kChannelCount && (channelMask >> r.channel & 1u) != 0;
}

// Copies the log back into the database from a thread of its own: a checkpoint syncs the
// file to disk, which can take tens of milliseconds on a busy disk, and the inserts run
// on the window's thread between ticks.
class Checkpointer {
public:
    explicit Checkpointer(const std::filesystem::path& file)
        : m_thread([this, file] { run(file); }) {}
    ~Checkpointer() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    Checkpointer(const Checkpointer&) = delete;
    Checkpointer& operator=(const Checkpointer&) = delete;

private:
    void run(const std::filesystem::path& file) {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
            std::unique_lock lock(m_mutex);
            while (!m_wake.wait_for(lock, kInterval, [this] { return m_stop; })) {
                lock.unlock();
                // Passive: never waits for the writer, copies what it can.
                sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
                lock.lock();
            }
        }
        sqlite3_close(db);
    }

    static constexpr std::chrono::seconds kInterval{2};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

struct HistoryStore::Private {
    std::filesystem::path file;
    sqlite3* db = nullptr;
    std::unique_ptr<Statement> insert;
    std::unique_ptr<Checkpointer> checkpointer;

    ~Private() {
        checkpointer.reset();
        insert.reset();
        sqlite3_close(db);
    }
};

HistoryStore::HistoryStore(const std::filesystem::path& file)
    : d(std::make_unique<Private>()) {
    d->file = file;
    // Opened without a key: the history is a plain database in the same engine the settings
    // file uses, so only one set of engine symbols is in the process.
    const int rc =
        sqlite3_open_v2(file.c_str(), &d->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        throw HistoryError(d->db ? sqlite3_errmsg(d->db) : sqlite3_errstr(rc));
    }
    sqlite3_busy_timeout(d->db, 2000);
    // WAL: a commit appends to the log without rewriting pages, and readers never wait
    // for the writer. NORMAL syncs at checkpoints only; a commit is in the operating
    // system's hands at once, which is what survives a killed process.
    {
        Statement mode(d->db, "PRAGMA journal_mode=WAL");
        if (!mode.step() || mode.text(0) != "wal") {
            throw HistoryError("the history file cannot use write-ahead logging");
        }
    }
    exec(d->db, "PRAGMA synchronous=NORMAL");
    const std::int64_t version = scalar(d->db, "PRAGMA user_version");
    if (version > kSchemaVersion) {
        throw HistoryError("the history file was written by a newer version (schema " +
                           std::to_string(version) + ")");
    }
    if (version < kSchemaVersion) {
        exec(d->db, "BEGIN IMMEDIATE");
        try {
            exec(d->db, "CREATE TABLE IF NOT EXISTS alarm ("
                        " id INTEGER PRIMARY KEY,"
                        " utc_ms INTEGER NOT NULL,"
                        " utc_offset_s INTEGER NOT NULL,"
                        " channel INTEGER NOT NULL CHECK (channel BETWEEN 0 AND 8),"
                        " label TEXT NOT NULL,"
                        " detector_clock TEXT);"
                        "CREATE INDEX IF NOT EXISTS alarm_time ON alarm (utc_ms);"
                        "PRAGMA user_version = 1;");
            exec(d->db, "COMMIT");
        } catch (...) {
            sqlite3_exec(d->db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    } else {
        // Reads the table once, so a file that is not a history fails here, not at the
        // first alarm.
        scalar(d->db, "SELECT count(*) FROM (SELECT id FROM alarm LIMIT 1)");
    }
    // Commits only append to the log; the checkpointer thread folds it back.
    exec(d->db, "PRAGMA wal_autocheckpoint=0");
    d->checkpointer = std::make_unique<Checkpointer>(file);
    d->insert = std::make_unique<Statement>(
        d->db, "INSERT INTO alarm (utc_ms, utc_offset_s, channel, label, detector_clock)"
               " VALUES (?, ?, ?, ?, ?)");
}

HistoryStore::~HistoryStore() = default;

const std::filesystem::path& HistoryStore::file() const {
    return d->file;
}

void HistoryStore::insert(AlarmRecord& record) {
    if (record.channel < 0 || record.channel >= kChannelCount) {
        throw HistoryError("alarm channel out of range: " + std::to_string(record.channel));
    }
    Statement& s = *d->insert;
    s.reset();
    s.bind(1, record.utcMs);
    s.bind(2, record.utcOffsetSeconds);
    s.bind(3, record.channel);
    s.bindText(4, record.label);
    if (record.detectorClock) {
        s.bindText(5, *record.detectorClock);
    } else {
        s.bindNull(5);
    }
    s.step();
    s.reset();
    record.id = sqlite3_last_insert_rowid(d->db);
}

void HistoryStore::read(const HistoryFilter& filter,
                        const std::function<void(const AlarmRecord&)>& visit) const {
    Statement s(d->db, "SELECT id, utc_ms, utc_offset_s, channel, label, detector_clock"
                       " FROM alarm WHERE utc_ms >= ? AND utc_ms < ? AND (? >> channel) & 1"
                       " ORDER BY utc_ms, id");
    s.bind(1, filter.from.value_or(INT64_MIN));
    s.bind(2, filter.to.value_or(INT64_MAX));
    s.bind(3, filter.channelMask);
    AlarmRecord r;
    while (s.step()) {
        r.id = s.integer(0);
        r.utcMs = s.integer(1);
        r.utcOffsetSeconds = static_cast<int>(s.integer(2));
        r.channel = static_cast<int>(s.integer(3));
        r.label = s.text(4);
        r.detectorClock = s.isNull(5) ? std::nullopt : std::optional<std::string>(s.text(5));
        visit(r);
    }
}

std::vector<AlarmRecord> HistoryStore::read(const HistoryFilter& filter) const {
    std::vector<AlarmRecord> rows;
    read(filter, [&rows](const AlarmRecord& r) { rows.push_back(r); });
    return rows;
}

} // namespace remote::history
