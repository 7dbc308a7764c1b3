#include "remote/report/reportdata.h"

#include <QSysInfo>

namespace remote::report {

std::array<ChannelSummary, history::kChannelCount>
summarise(const std::vector<history::AlarmRecord>& alarms) {
    std::array<ChannelSummary, history::kChannelCount> channels;
    for (const history::AlarmRecord& r : alarms) {
        if (r.channel < 0 || r.channel >= history::kChannelCount) {
            continue;
        }
        ChannelSummary& c = channels[static_cast<std::size_t>(r.channel)];
        ++c.count;
        if (!c.first || r.utcMs < c.first->utcMs) {
            c.first = r;
        }
        if (!c.last || r.utcMs >= c.last->utcMs) {
            c.last = r;
        }
    }
    return channels;
}

QString programVersion() {
    return QStringLiteral(REMOTE_VERSION);
}

ReportData readReport(const std::filesystem::path& historyFile, ReportRequest request,
                      std::int64_t nowMs) {
    ReportData data;
    request.site.truncate(kSiteLimit);
    request.notes.truncate(kNotesLimit);
    data.stationHost =
        request.stationHost.isEmpty() ? QSysInfo::machineHostName() : request.stationHost;
    data.programVersion = programVersion();
    data.madeAtMs = nowMs;
    history::HistoryFilter range;
    range.from = request.fromMs;
    // The range's end is part of it, as the history window shows it.
    range.to = request.toMs < INT64_MAX ? request.toMs + 1 : request.toMs;
    data.request = std::move(request);
    std::error_code error;
    if (!std::filesystem::exists(historyFile, error)) {
        return data;
    }
    const history::HistoryReader reader(historyFile);
    data.count = reader.exportRows(
        range, [&data](const history::AlarmRecord& r) { data.alarms.push_back(r); });
    data.snapshots = reader.snapshots(range);
    data.channels = summarise(data.alarms);
    return data;
}

} // namespace remote::report
