#pragma once

// The history file's schema, version by version. Internal to the history's core.

#include "remote/history/historyerror.h"

#include <sqlcipher/sqlite3.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace remote::history::schema {

// What one version adds to the one before: its statements run in order, in the same
// transaction as every other step a file needs. A new file runs every step from the first;
// an older one only those after its version. Adding a table is one more step at the end;
// a step once released never changes.
struct Step {
    int version;
    const char* statements;
};

inline constexpr std::array kSteps{
    Step{1, "CREATE TABLE IF NOT EXISTS alarm ("
            " id INTEGER PRIMARY KEY,"
            " utc_ms INTEGER NOT NULL,"
            " utc_offset_s INTEGER NOT NULL,"
            " channel INTEGER NOT NULL CHECK (channel BETWEEN 0 AND 8),"
            " label TEXT NOT NULL,"
            " detector_clock TEXT);"
            "CREATE INDEX IF NOT EXISTS alarm_time ON alarm (utc_ms);"},
    // Line noise before each alarm, and the settings the detector read back.
    Step{2, "ALTER TABLE alarm ADD COLUMN dropped_bytes INTEGER NOT NULL DEFAULT 0;"
            "CREATE TABLE settings_snapshot ("
            " id INTEGER PRIMARY KEY,"
            " utc_ms INTEGER NOT NULL,"
            " utc_offset_s INTEGER NOT NULL,"
            " detector_id TEXT NOT NULL,"
            " serial TEXT NOT NULL,"
            " rf_time TEXT NOT NULL,"
            " channel_times TEXT NOT NULL,"
            " repeat_time TEXT NOT NULL,"
            " laser TEXT NOT NULL,"
            " switches INTEGER NOT NULL);"
            "CREATE INDEX settings_snapshot_time ON settings_snapshot (utc_ms);"},
};

// The version this program writes: the last step's.
inline constexpr int kVersion = kSteps.back().version;

// The refusal of a file a newer program wrote.
HistoryError newerVersion(std::int64_t version);

// Runs the steps after the file's version and sets the file's version, inside one immediate
// transaction: on failure the file is left as it was. The version is read again inside
// the transaction, so two programs opening the same old file migrate it once.
void migrate(sqlite3* db);

// The version in a database file's header, read without the engine (nothing is created
// or changed beside the file); nothing for a file that does not start as a database.
std::optional<int> headerVersion(const std::filesystem::path& file);

} // namespace remote::history::schema
