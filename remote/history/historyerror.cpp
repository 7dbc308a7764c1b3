#include "remote/history/historyerror.h"

#include <sqlcipher/sqlite3.h>

#include <cerrno>

namespace remote::history {

std::string causeWords(HistoryCause cause) {
    switch (cause) {
    case HistoryCause::DiskFull:
        return "disk full";
    case HistoryCause::ReadOnly:
        return "read-only";
    case HistoryCause::Damaged:
        return "damaged";
    case HistoryCause::Other:
        break;
    }
    return {};
}

HistoryError::HistoryError(const std::string& what, int code, int systemError)
    : std::runtime_error(what)
    , m_code(code)
    , m_systemError(systemError) {}

HistoryCause HistoryError::cause() const {
    switch (m_code & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return HistoryCause::Damaged;
    case SQLITE_FULL:
        return HistoryCause::DiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return HistoryCause::ReadOnly;
    default:
        break;
    }
    // An I/O error or a file that cannot be opened says why only through errno.
    switch (m_systemError) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return HistoryCause::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
        return HistoryCause::ReadOnly;
    default:
        return HistoryCause::Other;
    }
}

std::string HistoryError::reason() const {
    const std::string words = causeWords(cause());
    return words.empty() ? std::string(what()) : words;
}

bool HistoryFilter::accepts(const AlarmRecord& r) const {
    return (!from || r.utcMs >= *from) && (!to || r.utcMs < *to) && r.channel >= 0 &&
           r.channel < kChannelCount && (channelMask >> r.channel & 1u) != 0;
}

} // namespace remote::history
