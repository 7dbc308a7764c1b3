#include "remote/history/historycli.h"

#include "remote/history/csvexport.h"
#include "remote/history/historyreader.h"

#include <QFileInfo>

#include <filesystem>
#include <fstream>
#include <iostream>

namespace remote::history::cli {

bool wantsExport(const QStringList& arguments) {
    return arguments.contains(QStringLiteral("--export-history"));
}

bool readRangeOption(const QString& option, const QString& value, std::optional<std::int64_t>& from,
                     std::optional<std::int64_t>& to, QString& errors) {
    const auto time = parseIsoTime(value.toStdString());
    if (!time) {
        errors = QStringLiteral("%1: not an ISO 8601 time: %2").arg(option, value);
        return false;
    }
    (option == QStringLiteral("--from") ? from : to) = *time;
    return true;
}

int exportHistory(const QStringList& arguments, const QString& historyFile, QString& errors) {
    QString target;
    HistoryFilter filter;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (i + 1 >= arguments.size()) {
            errors = QStringLiteral("%1 needs a value").arg(option);
            return 2;
        }
        const QString value = arguments[++i];
        if (option == QStringLiteral("--export-history")) {
            target = value;
        } else if (option == QStringLiteral("--from") || option == QStringLiteral("--to")) {
            if (!readRangeOption(option, value, filter.from, filter.to, errors)) {
                return 2;
            }
        } else {
            errors = QStringLiteral("unknown option %1").arg(option);
            return 2;
        }
    }
    if (target.isEmpty()) {
        errors = QStringLiteral("--export-history needs a file");
        return 2;
    }

    const bool toStdout = target == QStringLiteral("-");
    const std::filesystem::path finalPath = target.toStdString();
    const std::filesystem::path partPath = finalPath.string() + ".part";
    std::ofstream file;
    if (!toStdout) {
        // Written beside the target and renamed at the end, so a failed export never
        // leaves a file that looks complete.
        file.open(partPath, std::ios::binary | std::ios::trunc);
        if (!file) {
            errors = QStringLiteral("cannot write %1").arg(target);
            return kFailed;
        }
    }
    std::ostream& out = toStdout ? std::cout : file;
    ReadCount count;
    try {
        CsvWriter csv(out);
        // No history yet means no alarms: the header alone, and no file is created.
        if (QFileInfo::exists(historyFile)) {
            const HistoryReader reader(historyFile.toStdString());
            count = reader.exportRows(filter, [&csv](const AlarmRecord& r) { csv.write(r); });
        }
    } catch (const HistoryError& e) {
        errors = QStringLiteral("%1: %2").arg(historyFile, QString::fromStdString(e.what()));
        if (!toStdout) {
            file.close();
            std::filesystem::remove(partPath);
        }
        return kFailed;
    }
    out.flush();
    if (!toStdout) {
        file.close();
        std::error_code ec;
        if (!file || (std::filesystem::rename(partPath, finalPath, ec), ec)) {
            std::filesystem::remove(partPath, ec);
            errors = QStringLiteral("cannot write %1").arg(target);
            return kFailed;
        }
    }
    if (count.damaged) {
        errors = QStringLiteral("%1: damaged: %2 could not be read; every readable alarm in "
                                "the range was exported")
                     .arg(historyFile, count.countKnown
                                           ? QStringLiteral("%1 alarms").arg(count.unreadable)
                                           : QStringLiteral("an unknown number of alarms"));
        return kDamaged;
    }
    return 0;
}

} // namespace remote::history::cli
