#pragma once

#include "remote/history/historystore.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

struct sqlite3;

namespace remote::mqtt {

// The alarms waiting for the broker, kept in the history file beside their rows. An alarm
// enters in the transaction that stores it (OutboxCompanion) and leaves only when the
// broker has acknowledged it (OutboxReader::remove). seq rises by one per alarm for the
// life of the file, so a subscriber can drop a repeat.
inline constexpr std::uint64_t kOutboxLimit = 100'000; // alarms waiting at most

// Creates the outbox's tables when they are missing.
void createOutbox(sqlite3* db);

// A history companion that puts every stored alarm into the outbox; past limit alarms the
// oldest are dropped and counted.
history::CompanionFactory outboxCompanion(std::uint64_t limit = kOutboxLimit);

struct OutboxEntry {
    std::int64_t seq = 0;
    history::AlarmRecord alarm; // id: its history row
};

// The publisher's own connection to the history file. Every failure is a HistoryError.
class OutboxReader {
public:
    // Opens the file (never creates it) and its outbox tables.
    explicit OutboxReader(const std::filesystem::path& file);
    ~OutboxReader();
    OutboxReader(const OutboxReader&) = delete;
    OutboxReader& operator=(const OutboxReader&) = delete;

    // Up to limit entries with seq above after, in seq order.
    std::vector<OutboxEntry> next(std::int64_t after, std::size_t limit);
    // Removes the acknowledged entries, in one transaction.
    void remove(const std::vector<std::int64_t>& seqs);
    std::uint64_t waiting();
    // How many alarms were dropped past the limit over the life of the file.
    std::uint64_t dropped();
    // False once the path names another file than the one opened (a damaged history set
    // aside and replaced): the reader is to be opened again.
    bool stillTheFile() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace remote::mqtt
