#include "remote/report/reportcli.h"

#include "remote/history/historycli.h"
#include "remote/report/reportdocument.h"
#include "remote/report/reportsettings.h"

namespace remote::report::cli {

namespace {

constexpr std::int64_t kDayMs = 86'400'000;

} // namespace

bool wantsReport(const QStringList& arguments) {
    return arguments.contains(QStringLiteral("--report"));
}

int writeReport(const QStringList& arguments, const QString& historyFile,
                const QString& settingsFile, std::int64_t nowMs, QString& errors) {
    QString target;
    std::optional<std::int64_t> from;
    std::optional<std::int64_t> to;
    std::optional<QString> site;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (i + 1 >= arguments.size()) {
            errors = QStringLiteral("%1 needs a value").arg(option);
            return 2;
        }
        const QString value = arguments[++i];
        if (option == QStringLiteral("--report")) {
            target = value;
        } else if (option == QStringLiteral("--from") || option == QStringLiteral("--to")) {
            if (!history::cli::readRangeOption(option, value, from, to, errors)) {
                return 2;
            }
        } else if (option == QStringLiteral("--site")) {
            site = value;
        } else {
            errors = QStringLiteral("unknown option %1").arg(option);
            return 2;
        }
    }
    if (target.isEmpty()) {
        errors = QStringLiteral("--report needs a file");
        return 2;
    }
    ReportRequest request;
    request.toMs = to.value_or(nowMs);
    request.fromMs = from.value_or(request.toMs - kDayMs);
    if (request.fromMs > request.toMs) {
        errors = QStringLiteral("--from is after --to");
        return 2;
    }
    const ReportSettings settings = loadReportSettings(settingsFile);
    if (site) {
        request.site = *site;
    } else {
        request.site = settings.site;
        request.notes = settings.notes;
    }

    ReportData data;
    try {
        data = readReport(historyFile.toStdString(), request, nowMs);
    } catch (const history::HistoryError& e) {
        errors = QStringLiteral("%1: %2").arg(historyFile, QString::fromStdString(e.what()));
        return kFailed;
    }
    QString error;
    if (!writeReportPdf(target, data, settings.page, error)) {
        errors = QStringLiteral("cannot write %1: %2").arg(target, error);
        return kFailed;
    }
    if (data.count.damaged) {
        errors = QStringLiteral("%1: damaged: %2 could not be read; every readable alarm in "
                                "the range is in the report")
                     .arg(historyFile, data.count.countKnown
                                           ? QStringLiteral("%1 alarms").arg(data.count.unreadable)
                                           : QStringLiteral("an unknown number of alarms"));
        return kDamaged;
    }
    return 0;
}

} // namespace remote::report::cli
