#include "remote/mqtt/outbox.h"

#include "remote/history/historysql.h"

#include <sys/stat.h>

namespace remote::mqtt {

using history::HistoryError;
using history::sql::Statement;

void createOutbox(sqlite3* db) {
    // AUTOINCREMENT: a seq is never given twice, also after the newest entries have left.
    history::sql::exec(db, "CREATE TABLE IF NOT EXISTS mqtt_outbox ("
                           " seq INTEGER PRIMARY KEY AUTOINCREMENT,"
                           " alarm_id INTEGER NOT NULL,"
                           " utc_ms INTEGER NOT NULL,"
                           " utc_offset_s INTEGER NOT NULL,"
                           " channel INTEGER NOT NULL,"
                           " label TEXT NOT NULL,"
                           " detector_clock TEXT);"
                           "CREATE TABLE IF NOT EXISTS mqtt_state ("
                           " key TEXT PRIMARY KEY,"
                           " value INTEGER NOT NULL);"
                           "INSERT OR IGNORE INTO mqtt_state (key, value) VALUES ('dropped', 0);");
}

namespace {

sqlite3* withOutbox(sqlite3* db) {
    createOutbox(db);
    return db;
}

class OutboxCompanion : public history::AlarmCompanion {
public:
    OutboxCompanion(sqlite3* db, std::uint64_t limit)
        : m_db(db)
        , m_limit(static_cast<std::int64_t>(limit < 1 ? 1 : limit))
        , m_insert(withOutbox(db),
                   "INSERT INTO mqtt_outbox"
                   " (alarm_id, utc_ms, utc_offset_s, channel, label, detector_clock)"
                   " VALUES (?, ?, ?, ?, ?, ?)")
        , m_trim(db, "DELETE FROM mqtt_outbox WHERE seq <= ?")
        , m_count(db, "UPDATE mqtt_state SET value = value + ? WHERE key = 'dropped'") {}

    void stored(const history::AlarmRecord& r) override {
        m_insert.reset();
        m_insert.bind(1, r.id);
        m_insert.bind(2, r.utcMs);
        m_insert.bind(3, r.utcOffsetSeconds);
        m_insert.bind(4, r.channel);
        m_insert.bindText(5, r.label);
        if (r.detectorClock) {
            m_insert.bindText(6, *r.detectorClock);
        } else {
            m_insert.bindNull(6);
        }
        m_insert.step();
        m_insert.reset();
        // Entries leave from the oldest, so everything at or below seq - limit is the
        // excess; the table never holds more than limit entries.
        const std::int64_t seq = sqlite3_last_insert_rowid(m_db);
        m_trim.reset();
        m_trim.bind(1, seq - m_limit);
        m_trim.step();
        m_trim.reset();
        if (const int dropped = sqlite3_changes(m_db); dropped > 0) {
            m_count.reset();
            m_count.bind(1, dropped);
            m_count.step();
            m_count.reset();
        }
    }

private:
    sqlite3* m_db;
    std::int64_t m_limit;
    Statement m_insert;
    Statement m_trim;
    Statement m_count;
};

} // namespace

history::CompanionFactory outboxCompanion(std::uint64_t limit) {
    return [limit](sqlite3* db) -> std::unique_ptr<history::AlarmCompanion> {
        return std::make_unique<OutboxCompanion>(db, limit);
    };
}

struct OutboxReader::Private {
    std::filesystem::path file;
    dev_t device = 0;
    ino_t inode = 0;
    sqlite3* db = nullptr;
    std::unique_ptr<Statement> next;
    std::unique_ptr<Statement> remove;
    std::unique_ptr<Statement> waiting;
    std::unique_ptr<Statement> dropped;

    ~Private() {
        next.reset();
        remove.reset();
        waiting.reset();
        dropped.reset();
        sqlite3_close(db);
    }
};

OutboxReader::OutboxReader(const std::filesystem::path& file)
    : d(std::make_unique<Private>()) {
    d->file = file;
    const int rc = sqlite3_open_v2(file.c_str(), &d->db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        throw history::sql::error(d->db, rc);
    }
    // The station's writer holds the file for one insert at a time.
    sqlite3_busy_timeout(d->db, 2000);
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        d->device = st.st_dev;
        d->inode = st.st_ino;
    }
    createOutbox(d->db);
    d->next = std::make_unique<Statement>(
        d->db, "SELECT seq, alarm_id, utc_ms, utc_offset_s, channel, label, detector_clock"
               " FROM mqtt_outbox WHERE seq > ? ORDER BY seq LIMIT ?");
    d->remove = std::make_unique<Statement>(d->db, "DELETE FROM mqtt_outbox WHERE seq = ?");
    d->waiting = std::make_unique<Statement>(d->db, "SELECT count(*) FROM mqtt_outbox");
    d->dropped =
        std::make_unique<Statement>(d->db, "SELECT value FROM mqtt_state WHERE key = 'dropped'");
}

OutboxReader::~OutboxReader() = default;

std::vector<OutboxEntry> OutboxReader::next(std::int64_t after, std::size_t limit) {
    std::vector<OutboxEntry> entries;
    Statement& s = *d->next;
    s.reset();
    s.bind(1, after);
    s.bind(2, static_cast<std::int64_t>(limit));
    try {
        while (s.step()) {
            OutboxEntry& e = entries.emplace_back();
            e.seq = s.integer(0);
            s.fill(e.alarm, 1);
        }
    } catch (...) {
        s.reset();
        throw;
    }
    s.reset();
    return entries;
}

void OutboxReader::remove(const std::vector<std::int64_t>& seqs) {
    if (seqs.empty()) {
        return;
    }
    history::sql::exec(d->db, "BEGIN IMMEDIATE");
    try {
        for (const std::int64_t seq : seqs) {
            d->remove->reset();
            d->remove->bind(1, seq);
            d->remove->step();
        }
        d->remove->reset();
        history::sql::exec(d->db, "COMMIT");
    } catch (...) {
        d->remove->reset();
        if (!sqlite3_get_autocommit(d->db)) {
            sqlite3_exec(d->db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        throw;
    }
}

std::uint64_t OutboxReader::waiting() {
    d->waiting->reset();
    const std::int64_t n = d->waiting->step() ? d->waiting->integer(0) : 0;
    d->waiting->reset();
    return static_cast<std::uint64_t>(n < 0 ? 0 : n);
}

bool OutboxReader::stillTheFile() const {
    struct stat st {};
    return ::stat(d->file.c_str(), &st) == 0 && st.st_dev == d->device && st.st_ino == d->inode;
}

std::uint64_t OutboxReader::dropped() {
    d->dropped->reset();
    const std::int64_t n = d->dropped->step() ? d->dropped->integer(0) : 0;
    d->dropped->reset();
    return static_cast<std::uint64_t>(n < 0 ? 0 : n);
}

} // namespace remote::mqtt
