#include "remote/history/historystore.h"

#include "common/privatefolder.h"

#include "remote/history/historyschema.h"
#include "remote/history/historysql.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace remote::history {

using sql::Statement;

static_assert(HistoryStore::kSchemaVersion == schema::kVersion);

namespace {

HistoryError systemError(const std::string& what, int error) {
    return HistoryError(what + ": " + std::strerror(error), SQLITE_CANTOPEN, error);
}

// The engine creates a new database with the umask's modes and gives the log and the index
// the database's own: so the file is made 0600 before it opens it. Older files lose any
// group and other bits.
void preparePrivateFile(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
        return;
    }
    const int error = errno;
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        throw systemError(file.string(), error);
    }
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const std::string path = file.string() + suffix;
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0) {
            ::chmod(path.c_str(), st.st_mode & 0700); // a read-only file system says no
        }
    }
}

int stopAfterDeadline(void* deadline) {
    return std::chrono::steady_clock::now() >
           *static_cast<std::chrono::steady_clock::time_point*>(deadline);
}

// Reads every page of a file within the options' bound; a damaged one is a HistoryError of
// cause Damaged. A check cut short by its time limit counts as passed.
void checkIntegrity(sqlite3* db, const HistoryStoreOptions& options) {
    if (sql::scalar(db, "PRAGMA page_count") > options.checkPageLimit) {
        return;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    sqlite3_progress_handler(db, 1000, stopAfterDeadline, &deadline);
    int rc = SQLITE_OK;
    std::string verdict;
    {
        Statement check(db, "PRAGMA quick_check(1)");
        rc = check.stepCode();
        if (rc == SQLITE_ROW) {
            verdict = check.text(0);
        }
        if (rc != SQLITE_ROW && rc != SQLITE_DONE && rc != SQLITE_INTERRUPT) {
            const HistoryError e = sql::error(db, rc);
            sqlite3_progress_handler(db, 0, nullptr, nullptr);
            throw e;
        }
    }
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    if (rc == SQLITE_ROW && verdict != "ok") {
        throw HistoryError("the history file is damaged (" + verdict + ")", SQLITE_CORRUPT);
    }
}

} // namespace

// Copies the log back into the database from a thread of its own: a checkpoint syncs the
// file to disk, which can take tens of milliseconds on a busy disk, and the inserts run
// on the window's thread between ticks.
class Checkpointer {
public:
    Checkpointer(const std::filesystem::path& file, const HistoryStoreOptions& options)
        : m_wal(file.string() + "-wal")
        , m_interval(options.checkpointInterval)
        , m_walLimit(options.walLimit)
        , m_report(options.checkpointFailed) {
        const int rc = sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        if (rc != SQLITE_OK) {
            const HistoryError e = sql::error(m_db, rc);
            sqlite3_close(m_db);
            throw e;
        }
        // Only a truncating checkpoint waits, for the writer's one insert or a short read.
        sqlite3_busy_timeout(m_db, 1000);
        // A connection that has read nothing has not opened the log yet, and its
        // checkpoints would do nothing.
        try {
            sql::scalar(m_db, "SELECT count(*) FROM sqlite_master");
        } catch (const HistoryError&) {
            sqlite3_close(m_db);
            throw;
        }
        m_thread = std::thread([this] { run(); });
    }
    ~Checkpointer() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
        sqlite3_close(m_db);
    }
    Checkpointer(const Checkpointer&) = delete;
    Checkpointer& operator=(const Checkpointer&) = delete;

    void runOnce() {
        const std::lock_guard work(m_work);
        // Passive: never waits for the writer, copies what it can.
        int rc =
            sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        std::error_code error;
        if (rc == SQLITE_OK && std::filesystem::file_size(m_wal, error) > m_walLimit && !error) {
            // Readers kept the log from starting over: wait for them, then cut it to nothing.
            rc = sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr,
                                           nullptr);
        }
        if (rc == SQLITE_OK) {
            m_reported = false;
        } else if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED && !m_reported) {
            m_reported = true;
            if (m_report) {
                m_report(sql::error(m_db, rc));
            }
        }
    }

private:
    void run() {
        std::unique_lock lock(m_mutex);
        while (!m_wake.wait_for(lock, m_interval, [this] { return m_stop; })) {
            lock.unlock();
            runOnce();
            lock.lock();
        }
    }

    sqlite3* m_db = nullptr;
    std::filesystem::path m_wal;
    std::chrono::milliseconds m_interval;
    std::uint64_t m_walLimit;
    std::function<void(const HistoryError&)> m_report;
    bool m_reported = false;
    std::mutex m_work; // one round at a time, from the thread or a caller
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

struct HistoryStore::Private {
    std::filesystem::path file;
    sqlite3* db = nullptr;
    std::unique_ptr<Statement> insert;
    std::unique_ptr<Statement> begin;
    std::unique_ptr<Statement> commit;
    std::unique_ptr<Checkpointer> checkpointer;
    std::unique_ptr<AlarmCompanion> companion;

    ~Private() {
        checkpointer.reset();
        companion.reset();
        insert.reset();
        begin.reset();
        commit.reset();
        if (db) {
            // A clean close leaves every row in the file itself and the log empty, also
            // when another reader keeps the engine from removing the log.
            sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        }
        sqlite3_close(db);
    }

    void bindInsert(const AlarmRecord& record) {
        Statement& s = *insert;
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
        s.bind(6, record.droppedBytes);
    }
};

HistoryStore::HistoryStore(const std::filesystem::path& file, HistoryStoreOptions options)
    : d(std::make_unique<Private>()) {
    d->file = file;
    // A newer program's file is refused before it is touched, even its modes.
    if (const auto version = schema::headerVersion(file); version && *version > kSchemaVersion) {
        throw schema::newerVersion(*version);
    }
    preparePrivateFile(file);
    // Opened without a key: the history is a plain database in the same engine the settings
    // file uses, so only one set of engine symbols is in the process.
    const int rc = sqlite3_open_v2(file.c_str(), &d->db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        throw sql::error(d->db, rc);
    }
    if (sqlite3_db_readonly(d->db, "main") == 1) {
        // The engine fell back to reading only: nothing could be stored.
        throw HistoryError("the history file cannot be written", SQLITE_READONLY, EACCES);
    }
    sqlite3_busy_timeout(d->db, 2000);
    // Before the journal mode is set, which would rewrite the header: a log not yet folded
    // back may hold a newer version than the header says.
    const std::int64_t version = sql::scalar(d->db, "PRAGMA user_version");
    if (version > kSchemaVersion) {
        throw schema::newerVersion(version);
    }
    // WAL: a commit appends to the log without rewriting pages, and readers never wait
    // for the writer. NORMAL syncs at checkpoints only; a commit is in the operating
    // system's hands at once, which is what survives a killed process.
    {
        Statement mode(d->db, "PRAGMA journal_mode=WAL");
        if (!mode.step() || mode.text(0) != "wal") {
            throw HistoryError("the history file cannot use write-ahead logging");
        }
    }
    sql::exec(d->db, "PRAGMA synchronous=NORMAL");
    // When the log starts over it is cut back to this size.
    sql::exec(d->db, ("PRAGMA journal_size_limit=" + std::to_string(options.walLimit)).c_str());
    if (version > 0) {
        // Reads the table once, so a file that is not a history fails here, not at the
        // first alarm; an old file is checked before it is migrated.
        sql::scalar(d->db, "SELECT count(*) FROM (SELECT id FROM alarm LIMIT 1)");
        if (options.check) {
            checkIntegrity(d->db, options);
        }
    }
    if (version < kSchemaVersion) {
        schema::migrate(d->db);
    }
    d->insert = std::make_unique<Statement>(
        d->db, "INSERT INTO alarm (utc_ms, utc_offset_s, channel, label, detector_clock,"
               " dropped_bytes) VALUES (?, ?, ?, ?, ?, ?)");
    d->begin = std::make_unique<Statement>(d->db, "BEGIN IMMEDIATE");
    d->commit = std::make_unique<Statement>(d->db, "COMMIT");
    if (options.companion) {
        d->companion = options.companion(d->db);
    }
    try {
        d->checkpointer = std::make_unique<Checkpointer>(file, options);
        // Commits only append to the log; the checkpointer thread folds it back.
        sql::exec(d->db, "PRAGMA wal_autocheckpoint=0");
    } catch (const HistoryError&) {
        // Without a second connection the writer folds the log back itself, as the
        // engine does by default.
    }
}

HistoryStore::~HistoryStore() = default;

const std::filesystem::path& HistoryStore::file() const {
    return d->file;
}

namespace {

void checkChannel(const AlarmRecord& record) {
    if (record.channel < 0 || record.channel >= kChannelCount) {
        throw HistoryError("alarm channel out of range: " + std::to_string(record.channel));
    }
}

} // namespace

void HistoryStore::insert(AlarmRecord& record) {
    checkChannel(record);
    if (d->companion) {
        // One transaction for the row and its companion.
        insertAll(std::span<AlarmRecord>(&record, 1));
        return;
    }
    d->bindInsert(record);
    d->insert->step();
    d->insert->reset();
    record.id = sqlite3_last_insert_rowid(d->db);
}

void HistoryStore::insertAll(std::span<AlarmRecord> records) {
    for (const AlarmRecord& r : records) {
        checkChannel(r);
    }
    if (records.size() <= 1 && !d->companion) {
        for (AlarmRecord& r : records) {
            insert(r);
        }
        return;
    }
    std::vector<std::int64_t> ids;
    ids.reserve(records.size());
    d->begin->reset();
    d->begin->step();
    try {
        for (const AlarmRecord& r : records) {
            d->bindInsert(r);
            d->insert->step();
            ids.push_back(sqlite3_last_insert_rowid(d->db));
            if (d->companion) {
                AlarmRecord stored = r;
                stored.id = ids.back();
                d->companion->stored(stored);
            }
        }
        d->insert->reset();
        d->commit->reset();
        d->commit->step();
    } catch (...) {
        d->insert->reset();
        d->commit->reset();
        // A full disk may already have rolled the transaction back.
        if (!sqlite3_get_autocommit(d->db)) {
            sqlite3_exec(d->db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        throw;
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].id = ids[i];
    }
}

void HistoryStore::read(const HistoryFilter& filter,
                        const std::function<void(const AlarmRecord&)>& visit) const {
    const std::string query = std::string("SELECT ") + sql::alarmColumns(kSchemaVersion) +
                              " FROM alarm WHERE utc_ms >= ? AND utc_ms < ? AND (? >> channel) & 1"
                              " ORDER BY utc_ms, id";
    Statement s(d->db, query.c_str());
    bindFilter(s, filter);
    AlarmRecord r;
    while (s.step()) {
        s.fill(r);
        visit(r);
    }
}

std::vector<AlarmRecord> HistoryStore::read(const HistoryFilter& filter) const {
    std::vector<AlarmRecord> rows;
    read(filter, [&rows](const AlarmRecord& r) { rows.push_back(r); });
    return rows;
}

void HistoryStore::insertSnapshot(SettingsSnapshot& snapshot) {
    Statement s(d->db, "INSERT INTO settings_snapshot (utc_ms, utc_offset_s, detector_id, serial,"
                       " rf_time, channel_times, repeat_time, laser, switches)"
                       " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    sql::bindSnapshot(s, snapshot);
    s.step();
    snapshot.id = sqlite3_last_insert_rowid(d->db);
}

std::vector<SettingsSnapshot> HistoryStore::snapshots(const HistoryFilter& range) const {
    return sql::snapshots(d->db, range);
}

void HistoryStore::checkpoint() {
    if (d->checkpointer) {
        d->checkpointer->runOnce();
    }
}

void makePrivateFolder(const std::filesystem::path& folder) {
    if (const std::error_code error = common::makePrivateFolder(folder)) {
        throw systemError("cannot create the folder " + folder.string(), error.value());
    }
}

} // namespace remote::history
