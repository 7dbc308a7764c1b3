#pragma once

#include "remote/history/alarmrecord.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace remote::history {

class HistoryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Which alarms to read: the time range [from, to) in UTC milliseconds (open where unset)
// and a bit per channel (bit 0 = channel 0).
struct HistoryFilter {
    std::optional<std::int64_t> from;
    std::optional<std::int64_t> to;
    unsigned channelMask = (1u << kChannelCount) - 1;

    bool accepts(const AlarmRecord& record) const;
};

// The alarm history file: an SQLite database in WAL mode with a versioned schema. Each
// insert is its own committed transaction, so a killed process loses nothing it wrote.
// Every failure is a HistoryError with the engine's description.
class HistoryStore {
public:
    static constexpr int kSchemaVersion = 1;

    // Opens the file, creating it (not its folder) when it is missing.
    explicit HistoryStore(const std::filesystem::path& file);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Stores the record and sets its id.
    void insert(AlarmRecord& record);

    // Calls visit for every matching record, oldest first, without holding them all.
    void read(const HistoryFilter& filter,
              const std::function<void(const AlarmRecord&)>& visit) const;
    std::vector<AlarmRecord> read(const HistoryFilter& filter) const;

    const std::filesystem::path& file() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace remote::history
