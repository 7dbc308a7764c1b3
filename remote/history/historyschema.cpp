#include "remote/history/historyschema.h"

#include "remote/history/historysql.h"

#include <fstream>
#include <string>
#include <string_view>

namespace remote::history::schema {

static_assert(kSteps.front().version == 1);

HistoryError newerVersion(std::int64_t version) {
    return HistoryError("the history file was written by a newer version of the station (schema " +
                        std::to_string(version) + "; this one reads up to " +
                        std::to_string(kVersion) + ") and was left unchanged");
}

void migrate(sqlite3* db) {
    sql::exec(db, "BEGIN IMMEDIATE");
    try {
        const std::int64_t from = sql::scalar(db, "PRAGMA user_version");
        if (from > kVersion) {
            throw newerVersion(from);
        }
        for (const Step& step : kSteps) {
            if (step.version > from) {
                sql::exec(db, step.statements);
            }
        }
        if (from < kVersion) {
            sql::exec(db, ("PRAGMA user_version = " + std::to_string(kVersion)).c_str());
        }
        sql::exec(db, "COMMIT");
    } catch (...) {
        if (!sqlite3_get_autocommit(db)) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        throw;
    }
}

std::optional<int> headerVersion(const std::filesystem::path& file) {
    // The user version is the big-endian 32-bit number at byte 60 of the 100-byte header.
    std::ifstream in(file, std::ios::binary);
    char header[100];
    if (!in.read(header, sizeof header) ||
        std::string_view(header, 16) != std::string_view("SQLite format 3", 16)) {
        return std::nullopt; // not a database: the engine says so, as a damaged file
    }
    const auto byte = [&header](int i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(header[i]));
    };
    return static_cast<int>(byte(60) << 24 | byte(61) << 16 | byte(62) << 8 | byte(63));
}

} // namespace remote::history::schema
