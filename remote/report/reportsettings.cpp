#include "remote/report/reportsettings.h"

#include "common/privatefolder.h"

#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSettings>

#include <fcntl.h>
#include <unistd.h>

namespace remote::report {

namespace {

constexpr char kPrinter[] = "printer/name";
constexpr char kPageSize[] = "printer/page_size";
constexpr char kOrientation[] = "printer/orientation";
constexpr char kSite[] = "report/site";
constexpr char kNotes[] = "report/notes";

constexpr char kPageWidth[] = "printer/page_width_mm";
constexpr char kPageHeight[] = "printer/page_height_mm";

// A sheet from its stored id, or its stored size for a custom one; A4 for anything else.
QPageSize pageSizeOf(const QSettings& stored) {
    bool ok = false;
    const int id = stored.value(QLatin1String(kPageSize)).toString().left(8).toInt(&ok);
    if (ok && id >= 0 && id <= QPageSize::LastPageSize && id != QPageSize::Custom) {
        return QPageSize(static_cast<QPageSize::PageSizeId>(id));
    }
    const double width = stored.value(QLatin1String(kPageWidth)).toString().left(16).toDouble();
    const double height = stored.value(QLatin1String(kPageHeight)).toString().left(16).toDouble();
    // From a business card to a poster: anything else is a damaged file.
    if (ok && id == QPageSize::Custom && width >= 50 && height >= 50 && width <= 2000 &&
        height <= 2000) {
        return QPageSize(QSizeF(width, height), QPageSize::Millimeter);
    }
    return QPageSize(QPageSize::A4);
}

} // namespace

ReportSettings loadReportSettings(const QString& file) {
    ReportSettings settings;
    if (!QFileInfo(file).isFile()) {
        return settings;
    }
    const QSettings stored(file, QSettings::IniFormat);
    settings.printerName = stored.value(QLatin1String(kPrinter)).toString().left(kSiteLimit);
    settings.page.pageSize = pageSizeOf(stored);
    settings.page.orientation =
        stored.value(QLatin1String(kOrientation)).toString() == QStringLiteral("landscape")
            ? QPageLayout::Landscape
            : QPageLayout::Portrait;
    settings.site = stored.value(QLatin1String(kSite)).toString().left(kSiteLimit);
    settings.notes = stored.value(QLatin1String(kNotes)).toString().left(kNotesLimit);
    return settings;
}

bool saveReportSettings(const QString& file, const ReportSettings& settings) {
    const QFileInfo info(file);
    if (common::makePrivateFolder(info.absolutePath().toStdString())) {
        return false;
    }
    // Made private before anything is in it; a rewrite keeps the file's modes.
    if (!info.exists()) {
        const int fd = ::open(QFile::encodeName(file).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            return false;
        }
        ::close(fd);
    }
    {
        QSettings stored(file, QSettings::IniFormat);
        stored.setValue(QLatin1String(kPrinter), settings.printerName);
        stored.setValue(QLatin1String(kPageSize), static_cast<int>(settings.page.pageSize.id()));
        const QSizeF mm = settings.page.pageSize.size(QPageSize::Millimeter);
        stored.setValue(QLatin1String(kPageWidth), mm.width());
        stored.setValue(QLatin1String(kPageHeight), mm.height());
        stored.setValue(QLatin1String(kOrientation),
                        settings.page.orientation == QPageLayout::Landscape
                            ? QStringLiteral("landscape")
                            : QStringLiteral("portrait"));
        stored.setValue(QLatin1String(kSite), settings.site.left(kSiteLimit));
        stored.setValue(QLatin1String(kNotes), settings.notes.left(kNotesLimit));
        stored.sync();
        if (stored.status() != QSettings::NoError) {
            return false;
        }
    }
    return QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
}

void applyPrinterChoice(QPrinter& printer, const ReportSettings& settings) {
    if (!settings.printerName.isEmpty() &&
        QPrinterInfo::availablePrinterNames().contains(settings.printerName)) {
        printer.setPrinterName(settings.printerName);
    }
    printer.setPageSize(settings.page.pageSize);
    printer.setPageOrientation(settings.page.orientation);
}

void takePrinterChoice(const QPrinter& printer, ReportSettings& settings) {
    settings.printerName = printer.printerName();
    settings.page.pageSize = printer.pageLayout().pageSize();
    settings.page.orientation = printer.pageLayout().orientation();
}

bool printerInstalled() {
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

} // namespace remote::report
