#include "remote/history/historywriter.h"

#include "remote/history/historyreader.h"

#include <algorithm>
#include <ctime>
#include <utility>
#include <vector>

namespace remote::history {
namespace {

std::string localStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

std::string counted(std::uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

std::string salvageText(const Salvage& salvage) {
    std::string text = "Alarm history was damaged and is set aside as " +
                       salvage.setAside.filename().string() + ": " +
                       counted(salvage.count.read, "alarm", "alarms") + " kept, ";
    if (!salvage.count.countKnown) {
        return text + "an unknown number could not be read";
    }
    return text + std::to_string(salvage.count.unreadable) + " could not be read";
}

} // namespace

HistoryWriter::HistoryWriter(std::filesystem::path file, HistoryStoreOptions options, Stamp stamp)
    : m_file(std::move(file))
    , m_options(std::move(options))
    , m_stamp(stamp ? std::move(stamp) : Stamp(localStamp)) {}

HistoryWriter::~HistoryWriter() = default;

bool HistoryWriter::open() {
    m_store.reset();
    if (!openStore(true)) {
        return false;
    }
    if (m_queue.empty()) {
        m_problem.reset();
    }
    return true;
}

bool HistoryWriter::openStore(bool check) {
    HistoryStoreOptions options = m_options;
    options.check = check && m_options.check;
    try {
        if (m_file.has_parent_path()) {
            makePrivateFolder(m_file.parent_path());
        }
        m_store = std::make_unique<HistoryStore>(m_file, options);
        m_checked |= options.check;
        return true;
    } catch (const HistoryError& e) {
        if (e.cause() != HistoryCause::Damaged) {
            fail(e);
            return false;
        }
    }
    try {
        const Salvage salvage = salvageHistory(m_file, m_stamp());
        m_notice += (m_notice.empty() ? "" : "; ") + salvageText(salvage);
        options.check = false;
        m_store = std::make_unique<HistoryStore>(m_file, options);
        m_checked = true;
        return true;
    } catch (const HistoryError& e) {
        fail(e);
        return false;
    }
}

void HistoryWriter::record(const AlarmRecord& alarm, const Stored& stored) {
    if (alarm.channel < 0 || alarm.channel >= kChannelCount) {
        return; // not an alarm the file can hold; it would block those behind it
    }
    m_queue.push_back(alarm);
    m_queue.back().id = 0;
    if (m_queue.size() > kQueueLimit) {
        m_queue.pop_front();
        m_waited -= std::min<std::size_t>(m_waited, 1);
        ++m_lost;
    }
    flush(stored);
}

void HistoryWriter::recordSnapshot(const SettingsSnapshot& snapshot, const Stored& stored) {
    m_snapshots.push_back(snapshot);
    m_snapshots.back().id = 0;
    if (m_snapshots.size() > kSnapshotLimit) {
        m_snapshots.pop_front();
    }
    flush(stored);
}

void HistoryWriter::retry(const Stored& stored) {
    flush(stored);
}

void HistoryWriter::close() {
    m_store.reset();
}

void HistoryWriter::flush(const Stored& stored) {
    if (!m_store) {
        // A damaged file (or one never checked) is checked again before it takes alarms.
        const bool check = !m_checked || (m_problem && m_problem->cause == HistoryCause::Damaged);
        if (!openStore(check)) {
            m_waited = m_queue.size();
            return;
        }
    }
    while (!m_snapshots.empty()) {
        try {
            m_store->insertSnapshot(m_snapshots.front());
        } catch (const HistoryError& e) {
            fail(e);
            m_waited = m_queue.size();
            if (e.cause() != HistoryCause::DiskFull) {
                m_store.reset();
            }
            return;
        }
        m_snapshots.pop_front();
    }
    while (!m_queue.empty()) {
        const std::size_t n = std::min(m_queue.size(), kBatch);
        std::vector<AlarmRecord> batch(m_queue.begin(),
                                       m_queue.begin() + static_cast<std::ptrdiff_t>(n));
        try {
            m_store->insertAll(batch);
        } catch (const HistoryError& e) {
            fail(e);
            m_waited = m_queue.size();
            if (e.cause() != HistoryCause::DiskFull) {
                // Reopened at the next retry: a file made read-only or damaged under the
                // connection is seen afresh then.
                m_store.reset();
            }
            return;
        }
        m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(n));
        const std::size_t waited = std::min(m_waited, n);
        m_waited -= waited;
        m_storedSinceProblem += waited;
        if (stored) {
            for (const AlarmRecord& r : batch) {
                stored(r);
            }
        }
    }
    if (m_problem) {
        std::string text = "Alarm history written again";
        if (m_storedSinceProblem > 0) {
            text +=
                ": " + counted(m_storedSinceProblem, "waiting alarm", "waiting alarms") + " stored";
        }
        if (m_lost > 0) {
            text += (m_storedSinceProblem > 0 ? ", " : ": ") + std::to_string(m_lost) + " lost";
        }
        m_notice += (m_notice.empty() ? "" : "; ") + text;
        m_problem.reset();
        m_storedSinceProblem = 0;
        m_lost = 0;
    }
}

void HistoryWriter::fail(const HistoryError& error) {
    std::string reason = error.reason();
    if (error.cause() == HistoryCause::Other && reason.find(m_file.string()) == std::string::npos) {
        reason += " (" + m_file.string() + ")";
    }
    m_problem = Problem{error.cause(), std::move(reason)};
}

std::string HistoryWriter::problem() const {
    if (!m_problem && m_queue.empty()) {
        return {};
    }
    std::string text = "Alarm history not written";
    if (m_problem) {
        text += ": " + m_problem->reason;
    }
    if (!m_queue.empty()) {
        text += ", " + counted(m_queue.size(), "alarm waiting", "alarms waiting");
    }
    if (m_lost > 0) {
        text += ", " + std::to_string(m_lost) + " oldest lost";
    }
    return text;
}

std::string HistoryWriter::takeNotice() {
    return std::exchange(m_notice, {});
}

std::string HistoryWriter::checkpointProblem(const HistoryError& error) {
    return "Alarm history checkpoint failed: " + error.reason();
}

} // namespace remote::history
