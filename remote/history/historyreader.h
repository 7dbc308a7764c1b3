#pragma once

#include "remote/history/historystore.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace remote::history {

// What a reading of a possibly damaged file found.
struct ReadCount {
    std::uint64_t read = 0;       // rows read (all of them, not only those that passed)
    std::uint64_t unreadable = 0; // rows lost in damaged parts, as far as they can be counted
    bool damaged = false;         // some part of the table could not be read
    bool countKnown = true;       // false when the end of the table could not be read and
                                  // nothing tells how many rows it held
};

// A history file opened for reading only: nothing is written to it or created beside it,
// its journal mode is left alone, and it can be in a read-only folder. A file with a
// write-ahead log but no index for it is read from a private copy in the temporary folder.
class HistoryReader {
public:
    explicit HistoryReader(const std::filesystem::path& file);
    ~HistoryReader();
    HistoryReader(const HistoryReader&) = delete;
    HistoryReader& operator=(const HistoryReader&) = delete;

    // Every readable row in the order of storing, skipping damaged parts of the file; those
    // that pass the filter go to visit.
    ReadCount scan(const HistoryFilter& filter,
                   const std::function<void(const AlarmRecord&)>& visit) const;

    // The matching rows oldest first, and every readable one when the file is damaged.
    // A damaged file's rows are held in memory to be put in order; a sound file's are not.
    ReadCount exportRows(const HistoryFilter& filter,
                         const std::function<void(const AlarmRecord&)>& visit) const;

    // The settings snapshots in force during the range (see HistoryStore::snapshots); none
    // in a file older than the snapshots, and none where that part of the file is damaged.
    std::vector<SettingsSnapshot> snapshots(const HistoryFilter& range) const;
    // The file's schema version.
    int version() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// A damaged history set aside and what could be kept of it.
struct Salvage {
    std::filesystem::path setAside;
    ReadCount count;
};

// Renames the damaged file (with its log and index) to "FILE.damaged-STAMP" and copies its
// readable rows, in their order, into a new file at the old name. Nothing is deleted.
Salvage salvageHistory(const std::filesystem::path& file, const std::string& stamp);

} // namespace remote::history
