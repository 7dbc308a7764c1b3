#pragma once

#include "remote/history/alarmrecord.h"
#include "remote/history/historyerror.h"
#include "remote/history/settingssnapshot.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;

namespace remote::history {

// The history file's name in the user's data folder.
inline constexpr char kHistoryFileName[] = "alarm-history.sqlite3";

// Rows another part keeps beside each alarm (a publisher's outbox), written in the alarm's
// own transaction, so the alarm and its companion row are stored together or not at all.
class AlarmCompanion {
public:
    virtual ~AlarmCompanion() = default;
    // Inside the transaction that stores record, its id set; a HistoryError rolls both back.
    virtual void stored(const AlarmRecord& record) = 0;
};
// Made on the store's connection once the alarm table is in place; destroyed before the
// connection closes.
using CompanionFactory = std::function<std::unique_ptr<AlarmCompanion>(sqlite3* db)>;

struct HistoryStoreOptions {
    // The integrity check at opening reads every page; a larger file is opened unchecked,
    // so the check stays within about two seconds (65 536 pages: 256 MiB of 4 KiB pages).
    bool check = true;
    std::int64_t checkPageLimit = 65'536;
    // How often the checkpointer folds the log back, and the log's size past which it
    // waits for the writer and truncates the log.
    std::chrono::milliseconds checkpointInterval{2000};
    std::uint64_t walLimit = 4u << 20; // bytes
    // Called on the checkpointer's thread when a checkpoint fails: once, until one succeeds.
    std::function<void(const HistoryError&)> checkpointFailed;
    // Rows written with every alarm; none when unset.
    CompanionFactory companion;
};

// The alarm history file: an SQLite database in WAL mode with a versioned schema. Each
// insert is its own committed transaction, so a killed process loses nothing it wrote.
// An older file is brought to this version when opened, keeping every row; a file of a
// newer version is refused before anything is written to it or beside it.
// Every failure is a HistoryError with the engine's description and code. The file, its
// log and its index are private to the user (0600) whatever the umask.
class HistoryStore {
public:
    // 1: alarms; 2: their dropped-byte counts and the settings snapshots.
    static constexpr int kSchemaVersion = 2;

    // Opens the file, creating it (not its folder) when it is missing, and checks it (see
    // HistoryStoreOptions); a damaged file is a HistoryError of cause Damaged.
    explicit HistoryStore(const std::filesystem::path& file, HistoryStoreOptions options = {});
    // Folds the log back into the file and closes it: nothing is left in the log.
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Stores the record and sets its id.
    void insert(AlarmRecord& record);
    // Stores the records in one transaction, in order, and sets their ids; on failure none
    // is stored.
    void insertAll(std::span<AlarmRecord> records);

    // Calls visit for every matching record, oldest first, without holding them all.
    void read(const HistoryFilter& filter,
              const std::function<void(const AlarmRecord&)>& visit) const;
    std::vector<AlarmRecord> read(const HistoryFilter& filter) const;

    // Stores a snapshot and sets its id.
    void insertSnapshot(SettingsSnapshot& snapshot);
    // The snapshots in force during [from, to): the last one before from, then every one
    // in the range, oldest first.
    std::vector<SettingsSnapshot> snapshots(const HistoryFilter& range) const;

    // One round of the checkpointer's work, now, on the calling thread.
    void checkpoint();

    const std::filesystem::path& file() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Creates the folder and any missing parent as 0700 whatever the umask; folders that exist
// are left as they are.
void makePrivateFolder(const std::filesystem::path& folder);

} // namespace remote::history
