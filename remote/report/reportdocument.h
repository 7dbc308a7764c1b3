#pragma once

#include "remote/report/reportdata.h"

#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPagedPaintDevice;
class QPrinter;

namespace remote::report {

// The sheet a report is laid out on.
struct PageSetup {
    QPageSize pageSize{QPageSize::A4};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;

    bool operator==(const PageSetup&) const = default;
};

// Where a report's parts landed; sizes and places in points (1/72 inch) from the sheet's
// top-left corner.
struct ReportLayout {
    int pages = 0;
    QSizeF sheet;
    QRectF timelinePlot;          // on page 1
    int firstAlarmPage = 0;       // 1-based; 0 when there are no alarms
    int alarmRowsOnFirstPage = 0; // rows of the alarm table on firstAlarmPage
    int alarmRowsPerPage = 0;     // on each later page but the last
};

// The report's texts that a reader (or a test) finds on its pages.
inline constexpr char kTitle[] = "Sweep report";
inline constexpr char kNoAlarms[] = "No alarms in this range.";

// Paints the report onto a device that makes pages (a PDF writer, a printer), which is
// given the setup's sheet and margins first. Vector text in the system's Korean-capable
// font; the timeline as vector graphics. Nothing is drawn when the device cannot be
// painted on (layout.pages is 0).
ReportLayout renderReport(QPagedPaintDevice& device, const ReportData& data,
                          const PageSetup& setup);

// Writes the report as a PDF file, whole or not at all (a failed write leaves no file and
// keeps an older one); false with the reason in error.
bool writeReportPdf(const QString& file, const ReportData& data, const PageSetup& setup,
                    QString& error, ReportLayout* layout = nullptr);

// Sends the report to a printer set up by the caller; its page layout is used.
bool printReport(QPrinter& printer, const ReportData& data, QString& error);

// The family of the Korean-capable font the report uses, loaded from the system's fonts
// when fontconfig does not list it; the default family when neither has it.
QString reportFontFamily();

} // namespace remote::report
