#pragma once

#include "remote/report/reportdocument.h"

#include <QString>

class QPrinter;

namespace remote::report {

// What the station keeps between runs for its reports: the printer chosen with
// "Printer Set(&P)" with its sheet and orientation, and the site and notes typed last.
// Kept in a small file of the user's (0600, its folder 0700); a missing or unreadable file
// is the defaults: no printer chosen, A4 portrait, no site, no notes.
struct ReportSettings {
    QString printerName; // empty: none chosen
    PageSetup page;
    QString site;
    QString notes;

    bool operator==(const ReportSettings&) const = default;
};

inline constexpr char kReportSettingsFileName[] = "report.ini";

ReportSettings loadReportSettings(const QString& file);
// False when the file could not be written (the settings stay as they were on disk).
bool saveReportSettings(const QString& file, const ReportSettings& settings);

// The printer set up as chosen: its name (when it is still installed), sheet and
// orientation.
void applyPrinterChoice(QPrinter& printer, const ReportSettings& settings);
// The printer's choice into the settings; site and notes are left alone.
void takePrinterChoice(const QPrinter& printer, ReportSettings& settings);

// True when the system has at least one printer.
bool printerInstalled();

} // namespace remote::report
