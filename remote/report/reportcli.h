#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// `remote --report FILE.pdf [--from T] [--to T] [--site TEXT]`: the sweep report of
// [from, to] as a PDF, for scripts and scheduled jobs; no window is shown. T is ISO 8601 as
// for --export-history; without --to the range ends now, without --from a day before its
// end. Without --site the site and notes typed last in the report window are used. The
// sheet is the one set up with "Printer Set(&P)", A4 portrait when none was. The history
// is only read.
namespace remote::report::cli {

// Exit codes besides 0 and 2 (bad arguments), as for --export-history.
inline constexpr int kFailed = 1;
inline constexpr int kDamaged = 3; // damaged history: every readable alarm is in the report

bool wantsReport(const QStringList& arguments);

// Runs the report; returns the exit code and writes any problem to errors (one line).
// nowMs: the current time (tests pass a fixed one).
int writeReport(const QStringList& arguments, const QString& historyFile,
                const QString& settingsFile, std::int64_t nowMs, QString& errors);

} // namespace remote::report::cli
