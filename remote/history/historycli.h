#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// `remote --export-history FILE [--from T] [--to T]`: the history's alarms in [from, to)
// as CSV, for scripts; no window is shown. T is ISO 8601 ("2026-12-10T05:30:00+01:00",
// "2026-12-10"; without an offset, UTC). FILE "-" is standard output. The history is only
// read: nothing is written to it or beside it.
namespace remote::history::cli {

// Exit codes besides 0 and 2 (bad arguments).
inline constexpr int kFailed = 1;  // no history could be read, or the CSV not written
inline constexpr int kDamaged = 3; // damaged history: every readable alarm was exported

// True when the arguments ask for an export.
bool wantsExport(const QStringList& arguments);

// Reads the value of --from or --to (option names which) into from or to; false, with errors
// set, when it is no ISO 8601 time. Every command that takes a time range reads it here.
bool readRangeOption(const QString& option, const QString& value, std::optional<std::int64_t>& from,
                     std::optional<std::int64_t>& to, QString& errors);

// Runs the export from historyFile; returns the exit code and writes any problem to
// errors (one line).
int exportHistory(const QStringList& arguments, const QString& historyFile, QString& errors);

} // namespace remote::history::cli
