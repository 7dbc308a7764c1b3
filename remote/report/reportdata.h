#pragma once

#include "remote/history/historyreader.h"

#include <QString>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace remote::report {

// What the operator asks a report for: the time range [fromMs, toMs] (UTC milliseconds),
// where, and what else to say.
struct ReportRequest {
    std::int64_t fromMs = 0;
    std::int64_t toMs = 0;
    QString site;
    QString notes;
    QString stationHost; // empty: this machine's name
};

// One channel's alarms in the range.
struct ChannelSummary {
    std::uint64_t count = 0;
    std::optional<history::AlarmRecord> first;
    std::optional<history::AlarmRecord> last;
};

// Everything a report shows, read from the history at once.
struct ReportData {
    ReportRequest request;
    QString stationHost;
    QString programVersion;
    std::int64_t madeAtMs = 0;
    std::vector<history::AlarmRecord> alarms; // the range's, oldest first
    std::array<ChannelSummary, history::kChannelCount> channels;
    std::vector<history::SettingsSnapshot> snapshots; // in force during the range
    history::ReadCount count;                         // what reading the file found
};

// The notes a report keeps at most: a page of text, so a pasted file cannot fill hundreds.
inline constexpr qsizetype kNotesLimit = 4000;
inline constexpr qsizetype kSiteLimit = 200;

// Reads the range from a history file, only reading it (see HistoryReader); a missing file
// is a history without alarms. A HistoryError when the file cannot be read at all.
ReportData readReport(const std::filesystem::path& historyFile, ReportRequest request,
                      std::int64_t nowMs);

// The summary of the given alarms, per channel.
std::array<ChannelSummary, history::kChannelCount>
summarise(const std::vector<history::AlarmRecord>& alarms);

// The program's version as the report names it.
QString programVersion();

} // namespace remote::report
