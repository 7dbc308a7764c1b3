#include "remote/history/historyreader.h"

#include "remote/history/historyschema.h"
#include "remote/history/historysql.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <variant>

#include <sys/stat.h>
#include <unistd.h>

namespace remote::history {

using sql::Statement;

namespace {

// Seeks into a damaged table step by this many ids: fewer than a leaf page holds, so no
// readable page between two damaged ones is stepped over.
constexpr std::int64_t kProbeStep = 16;
// Rows copied per transaction when a damaged file is salvaged.
constexpr std::size_t kSalvageBatch = 1000;

bool isDamage(int rc) {
    return (rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB;
}

// The file as a URI, every character outside the unreserved set escaped.
std::string fileUri(const std::filesystem::path& file, const char* query) {
    std::string uri = "file:";
    for (const unsigned char c : std::filesystem::absolute(file).string()) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            std::strchr("/-._~", c) != nullptr) {
            uri += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            uri += escaped;
        }
    }
    return uri + '?' + query;
}

std::uintmax_t sizeOf(const std::filesystem::path& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    return error ? 0 : size;
}

bool readWrite(const std::filesystem::path& file) {
    return ::access(file.c_str(), R_OK | W_OK) == 0;
}

struct FileState {
    std::uintmax_t size = 0;
    std::int64_t mtimeNs = -1;
    bool operator==(const FileState&) const = default;
};

FileState stateOf(const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        return {};
    }
    return {static_cast<std::uintmax_t>(st.st_size),
            std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec};
}

// Where a seek for the first id at or after a point lands.
struct Row {
    std::int64_t id;
};
struct End {};
struct Damaged {};
using Probe = std::variant<Row, End, Damaged>;

} // namespace

struct HistoryReader::Private {
    sqlite3* db = nullptr;
    std::filesystem::path copyFolder; // the private copy's folder, when there is one
    std::uintmax_t bytes = 0;         // the file and its log
    mutable std::uint64_t probeBudget = 0;
    bool empty = false; // a zero-byte file: no alarms
    std::int64_t version = 0;

    ~Private() {
        sqlite3_close(db);
        if (!copyFolder.empty()) {
            std::error_code error;
            std::filesystem::remove_all(copyFolder, error);
        }
    }

    void open(const std::filesystem::path& file, const char* query) {
        const std::string uri = fileUri(file, query);
        const int rc =
            sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        if (rc != SQLITE_OK) {
            throw sql::error(db, rc);
        }
    }

    // The file and its log copied into a folder of the user's own, stable against a
    // writer that appends meanwhile: copied again while either changed under the copy.
    void openCopy(const std::filesystem::path& file) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "remote-history.XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            throw HistoryError("cannot make a temporary folder: " +
                                   std::string(std::strerror(errno)),
                               SQLITE_CANTOPEN, errno);
        }
        copyFolder = pattern;
        const std::filesystem::path copy = copyFolder / "history.sqlite3";
        const std::filesystem::path wal = file.string() + "-wal";
        for (int attempt = 0; attempt < 5; ++attempt) {
            const FileState before[] = {stateOf(file), stateOf(wal)};
            std::error_code error;
            std::filesystem::copy_file(file, copy,
                                       std::filesystem::copy_options::overwrite_existing, error);
            if (!error) {
                std::filesystem::copy_file(wal, copy.string() + "-wal",
                                           std::filesystem::copy_options::overwrite_existing,
                                           error);
            }
            if (error) {
                throw HistoryError("cannot copy " + file.string() + ": " + error.message(),
                                   SQLITE_CANTOPEN, error.value());
            }
            if (before[0] == stateOf(file) && before[1] == stateOf(wal)) {
                break;
            }
        }
        open(copy, "mode=ro");
    }

    Probe probe(Statement& seek, std::int64_t from) const {
        seek.reset();
        seek.bind(1, from);
        const int rc = seek.stepCode();
        if (rc == SQLITE_ROW) {
            return Row{seek.integer(0)};
        }
        if (rc == SQLITE_DONE) {
            return End{};
        }
        if (isDamage(rc)) {
            return Damaged{};
        }
        throw sql::error(db, rc);
    }

    // The first place at or after from where a seek lands on a readable page, or nothing
    // when every seek up to the last possible id fails.
    std::optional<Probe> nextReadable(Statement& seek, std::int64_t from, std::int64_t last) const {
        Probe at = probe(seek, from);
        if (!std::holds_alternative<Damaged>(at)) {
            return at;
        }
        // Ids start at 1: a damaged first page is searched from there.
        std::int64_t bad = std::max<std::int64_t>(from, 0);
        std::int64_t good = 0;
        std::int64_t step = kProbeStep;
        for (;;) {
            if (bad >= last) {
                return std::nullopt;
            }
            // A file of this size holds no more rows than the budget's steps cover; ids
            // far apart (a crafted file) are crossed in growing steps, so the work stays
            // bounded by the file, not by the ids it names.
            if (probeBudget > 0) {
                --probeBudget;
            } else if (step <= INT64_MAX / 2) {
                step *= 2;
            }
            good = bad > last - step ? last : bad + step;
            at = probe(seek, good);
            if (!std::holds_alternative<Damaged>(at)) {
                break;
            }
            bad = good;
        }
        // The first readable point lies in (bad, good].
        while (good - bad > 1) {
            const std::int64_t mid = bad + (good - bad) / 2;
            Probe p = probe(seek, mid);
            if (std::holds_alternative<Damaged>(p)) {
                bad = mid;
            } else {
                good = mid;
                at = p;
            }
        }
        return at;
    }

    // The largest id the file can hold: from the table, else from the time index (which
    // holds every row's id), else from the file's size (a row takes more than 8 bytes).
    std::optional<std::int64_t> lastId() const {
        for (const char* query :
             {"SELECT max(id) FROM alarm", "SELECT max(id) FROM alarm INDEXED BY alarm_time"}) {
            try {
                Statement s(db, query);
                if (s.step() && !s.isNull(0)) {
                    return s.integer(0);
                }
            } catch (const HistoryError&) {
            }
        }
        return std::nullopt;
    }

    std::optional<std::int64_t> indexCount() const {
        try {
            return sql::scalar(db, "SELECT count(*) FROM alarm INDEXED BY alarm_time");
        } catch (const HistoryError&) {
            return std::nullopt;
        }
    }
};

HistoryReader::HistoryReader(const std::filesystem::path& file)
    : d(std::make_unique<Private>()) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (!std::filesystem::exists(status)) {
        throw HistoryError(file.string() + ": no such file", SQLITE_CANTOPEN, ENOENT);
    }
    if (!std::filesystem::is_regular_file(status)) {
        throw HistoryError(file.string() + ": not a file", SQLITE_CANTOPEN, EISDIR);
    }
    const std::filesystem::path wal = file.string() + "-wal";
    const std::filesystem::path shm = file.string() + "-shm";
    const std::uintmax_t walBytes = sizeOf(wal);
    d->bytes = sizeOf(file) + walBytes;
    if (d->bytes == 0) {
        d->empty = true;
        return;
    }
    if (walBytes == 0) {
        // No log: the file alone, without locks, without a log or an index created.
        d->open(file, "immutable=1");
    } else if (std::filesystem::exists(shm) && readWrite(shm) && readWrite(wal)) {
        // A running station's (or a killed one's) log and index: read as any reader does.
        d->open(file, "mode=ro");
    } else {
        // The engine would create the index beside the file, or cannot: a private copy.
        d->openCopy(file);
    }
    d->version = sql::scalar(d->db, "PRAGMA user_version");
    if (d->version > HistoryStore::kSchemaVersion) {
        throw schema::newerVersion(d->version);
    }
}

int HistoryReader::version() const {
    return static_cast<int>(d->version);
}

std::vector<SettingsSnapshot> HistoryReader::snapshots(const HistoryFilter& range) const {
    if (d->empty || d->version < 2) {
        return {};
    }
    try {
        return sql::snapshots(d->db, range);
    } catch (const HistoryError& e) {
        if (!isDamage(e.code())) {
            throw;
        }
        return {};
    }
}

HistoryReader::~HistoryReader() = default;

ReadCount HistoryReader::scan(const HistoryFilter& filter,
                              const std::function<void(const AlarmRecord&)>& visit) const {
    ReadCount count;
    if (d->empty) {
        return count;
    }
    const std::string query = std::string("SELECT ") + sql::alarmColumns(d->version) +
                              " FROM alarm WHERE id >= ? ORDER BY id";
    Statement rows(d->db, query.c_str());
    Statement seek(d->db, "SELECT id FROM alarm WHERE id >= ? ORDER BY id LIMIT 1");
    // Ids are given in order from 1 and never deleted, so a gap in a damaged part is the
    // number of rows it held.
    const auto lost = [](std::int64_t from, std::int64_t to) -> std::uint64_t {
        from = std::max<std::int64_t>(from, 1);
        return to > from ? static_cast<std::uint64_t>(to - from) : 0;
    };
    std::optional<std::int64_t> last;
    d->probeBudget = d->bytes / 8 / kProbeStep + 1024;
    std::int64_t from = INT64_MIN;
    std::int64_t resumedAt = INT64_MIN;
    bool resumed = false;
    AlarmRecord r;
    for (;;) {
        rows.reset();
        rows.bind(1, from);
        int rc = SQLITE_OK;
        bool any = false;
        while ((rc = rows.stepCode()) == SQLITE_ROW) {
            rows.fill(r);
            any = true;
            if (r.channel < 0 || r.channel >= kChannelCount) {
                // A row the engine could parse out of a damaged page, but not an alarm.
                ++count.unreadable;
                count.damaged = true;
            } else {
                ++count.read;
                if (visit && filter.accepts(r)) {
                    visit(r);
                }
            }
            if (r.id == INT64_MAX) {
                return count;
            }
            from = r.id + 1;
        }
        if (rc == SQLITE_DONE) {
            break;
        }
        if (!isDamage(rc)) {
            throw sql::error(d->db, rc);
        }
        count.damaged = true;
        if (resumed && !any && from == resumedAt) {
            // The seek finds this row but reading it fails: it alone is lost.
            ++count.unreadable;
            if (from == INT64_MAX) {
                break;
            }
            ++from;
        }
        if (!last) {
            last = d->lastId().value_or(
                std::max<std::int64_t>(from, static_cast<std::int64_t>(d->bytes / 8)));
        }
        const auto next = d->nextReadable(seek, from, std::max(*last, from));
        if (!next) {
            // Nothing readable up to the end: the rest was in the damaged part.
            const auto known = d->lastId();
            if (known) {
                count.unreadable += lost(from, *known) + (*known >= from ? 1 : 0);
            } else {
                count.countKnown = false;
            }
            break;
        }
        if (std::holds_alternative<End>(*next)) {
            break;
        }
        const std::int64_t id = std::get<Row>(*next).id;
        count.unreadable += lost(from, id);
        from = id;
        resumedAt = id;
        resumed = true;
    }
    if (count.damaged) {
        // The time index holds every row's id: where it can still be read it counts what
        // the table lost, whatever ids a damaged or crafted file holds.
        const auto indexed = d->indexCount();
        if (indexed && *indexed >= 0 && static_cast<std::uint64_t>(*indexed) >= count.read) {
            count.unreadable = static_cast<std::uint64_t>(*indexed) - count.read;
            count.countKnown = true;
        }
    }
    return count;
}

ReadCount HistoryReader::exportRows(const HistoryFilter& filter,
                                    const std::function<void(const AlarmRecord&)>& visit) const {
    if (d->empty) {
        return {};
    }
    // One snapshot for both passes, also while a station appends.
    sql::exec(d->db, "BEGIN");
    struct EndRead {
        sqlite3* db;
        ~EndRead() { sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr); }
    } endRead{d->db};
    ReadCount count = scan(filter, nullptr);
    if (!count.damaged) {
        // The table reads whole: sorted by the engine, through the time index when the
        // index holds every row, by a sort of its own (in temporary files) otherwise.
        const auto indexed = d->indexCount();
        const bool useIndex =
            indexed && *indexed >= 0 && static_cast<std::uint64_t>(*indexed) == count.read;
        const std::string query =
            std::string("SELECT ") + sql::alarmColumns(d->version) + " FROM alarm " +
            (useIndex ? "INDEXED BY alarm_time" : "NOT INDEXED") +
            " WHERE utc_ms >= ? AND utc_ms < ? AND (? >> channel) & 1 ORDER BY utc_ms, id";
        Statement s(d->db, query.c_str());
        bindFilter(s, filter);
        AlarmRecord r;
        while (s.step()) {
            s.fill(r);
            if (filter.accepts(r)) {
                visit(r);
            }
        }
        return count;
    }
    std::vector<AlarmRecord> rows;
    count = scan(filter, [&rows](const AlarmRecord& r) { rows.push_back(r); });
    std::stable_sort(rows.begin(), rows.end(), [](const AlarmRecord& a, const AlarmRecord& b) {
        return std::tie(a.utcMs, a.id) < std::tie(b.utcMs, b.id);
    });
    for (const AlarmRecord& r : rows) {
        visit(r);
    }
    return count;
}

Salvage salvageHistory(const std::filesystem::path& file, const std::string& stamp) {
    Salvage salvage;
    const std::string base = file.string() + ".damaged-" + stamp;
    salvage.setAside = base;
    for (int n = 2; std::filesystem::exists(salvage.setAside) && n < 1000; ++n) {
        salvage.setAside = base + "-" + std::to_string(n);
    }
    if (std::filesystem::exists(salvage.setAside)) {
        throw HistoryError("no free name to set " + file.string() + " aside");
    }
    const auto rename = [](const std::filesystem::path& from, const std::filesystem::path& to) {
        if (::rename(from.c_str(), to.c_str()) != 0) {
            throw HistoryError("cannot set " + from.string() + " aside: " + std::strerror(errno),
                               SQLITE_CANTOPEN, errno);
        }
    };
    // The log first: a file set aside always takes its own log along.
    for (const char* suffix : {"-wal", "-shm"}) {
        const std::filesystem::path part = file.string() + suffix;
        if (std::filesystem::exists(part)) {
            rename(part, salvage.setAside.string() + suffix);
        }
    }
    rename(file, salvage.setAside);

    // Built under a name of its own and put in place whole.
    const std::filesystem::path building = file.string() + ".salvage";
    std::filesystem::remove(building);
    try {
        HistoryStoreOptions options;
        options.check = false;
        HistoryStore copy(building, options);
        std::vector<AlarmRecord> batch;
        std::uint64_t kept = 0;
        bool copying = false; // an error now is the new file's, not the damaged one's
        const auto flush = [&] {
            copying = true;
            copy.insertAll(batch);
            copying = false;
            kept += batch.size();
            batch.clear();
        };
        try {
            const HistoryReader damaged(salvage.setAside);
            salvage.count = damaged.scan({}, [&](const AlarmRecord& r) {
                batch.push_back(r);
                batch.back().id = 0; // numbered afresh, so ids stay gapless
                if (batch.size() == kSalvageBatch) {
                    flush();
                }
            });
            flush();
            // The settings the detector had: secondary to the alarms, copied where readable.
            for (SettingsSnapshot& snapshot : damaged.snapshots({})) {
                copying = true;
                copy.insertSnapshot(snapshot);
                copying = false;
            }
        } catch (const HistoryError&) {
            if (copying) {
                throw;
            }
            // The file cannot be read on from here (not even its first page, or its
            // table's description): what was read is kept, and nothing tells how much
            // was lost.
            flush();
            salvage.count.read = kept;
            salvage.count.damaged = true;
            salvage.count.countKnown = false;
        }
    } catch (...) {
        std::error_code error;
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::filesystem::remove(building.string() + suffix, error);
        }
        throw;
    }
    rename(building, file);
    return salvage;
}

} // namespace remote::history
