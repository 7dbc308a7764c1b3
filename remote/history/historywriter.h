#pragma once

#include "remote/history/historystore.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace remote::history {

// Keeps every alarm for the history file, also while the file cannot be written: an alarm
// that cannot be stored waits in memory, in order, and is written when the file can take
// it again (at the next alarm or the next retry). The store is reopened when a failure left
// it unusable; a damaged file is set aside and its readable rows copied into a new one.
// Only when more than kQueueLimit alarms wait are the oldest dropped, and counted.
class HistoryWriter {
public:
    static constexpr std::size_t kQueueLimit = 10'000; // alarms held while the file fails
    static constexpr std::size_t kBatch = 500;         // waiting alarms per transaction

    // The local time for a damaged file's new name: "20261210-153000".
    using Stamp = std::function<std::string()>;
    using Stored = std::function<void(const AlarmRecord&)>;

    explicit HistoryWriter(std::filesystem::path file, HistoryStoreOptions options = {},
                           Stamp stamp = {});
    ~HistoryWriter();
    HistoryWriter(const HistoryWriter&) = delete;
    HistoryWriter& operator=(const HistoryWriter&) = delete;

    // Creates the folder (0700) and opens the file; false with problem() set when that
    // fails.
    bool open();
    // Stores the alarm after those that wait; stored is called for each alarm written, in
    // order, with its id set.
    void record(const AlarmRecord& alarm, const Stored& stored);
    // Stores a settings snapshot before the alarms that wait, or keeps it waiting with them
    // (the newest kSnapshotLimit); stored is as for record.
    void recordSnapshot(const SettingsSnapshot& snapshot, const Stored& stored);
    static constexpr std::size_t kSnapshotLimit = 100;
    std::size_t snapshotsWaiting() const { return m_snapshots.size(); }

    // Writes the alarms that wait, reopening the store first when it is closed.
    void retry(const Stored& stored);
    // Closes the store (its log folded back); alarms that wait stay in memory.
    void close();

    bool isOpen() const { return m_store != nullptr; }
    // True while a retry has something to do.
    bool needsRetry() const { return !m_store || !m_queue.empty() || !m_snapshots.empty(); }
    std::size_t waiting() const { return m_queue.size(); }
    std::uint64_t lost() const { return m_lost; }
    const HistoryStore* store() const { return m_store.get(); }
    const std::filesystem::path& file() const { return m_file; }

    // What keeps alarms from the file: "Alarm history not written: disk full, 62 alarms
    // waiting"; empty while they are written.
    std::string problem() const;
    // The last news for the operator (a damaged file set aside, the file written again),
    // once; empty when there is none.
    std::string takeNotice();

    // The text for a failed checkpoint: "Alarm history checkpoint failed: disk full".
    static std::string checkpointProblem(const HistoryError& error);

private:
    bool openStore(bool check);
    void flush(const Stored& stored);
    void fail(const HistoryError& error);

    struct Problem {
        HistoryCause cause;
        std::string reason;
    };

    std::filesystem::path m_file;
    HistoryStoreOptions m_options;
    Stamp m_stamp;
    std::unique_ptr<HistoryStore> m_store;
    std::deque<AlarmRecord> m_queue;
    std::deque<SettingsSnapshot> m_snapshots;
    std::size_t m_waited = 0; // how many at the queue's head went through a failed write
    std::size_t m_storedSinceProblem = 0;
    std::uint64_t m_lost = 0;
    bool m_checked = false; // the file passed the opening check this run
    std::optional<Problem> m_problem;
    std::string m_notice;
};

} // namespace remote::history
