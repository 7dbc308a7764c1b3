#include "remote/alerts/journalsink.h"

#include <cstring>
#include <filesystem>

#ifdef STATION_JOURNAL
#include <sys/uio.h>
#include <systemd/sd-journal.h>
#endif

namespace remote::alerts {

namespace {
// Where the journal listens for native entries.
constexpr char kJournalSocket[] = "/run/systemd/journal/socket";
} // namespace

bool journalBuiltIn() {
#ifdef STATION_JOURNAL
    return true;
#else
    return false;
#endif
}

bool journalRunning() {
    std::error_code ec;
    return std::filesystem::is_socket(kJournalSocket, ec);
}

bool sendToJournal(const std::vector<std::string>& fields, std::string& error) {
#ifdef STATION_JOURNAL
    // Without a journal the library drops the entry and calls it a success.
    if (!journalRunning()) {
        error = "no system journal runs here";
        return false;
    }
    std::vector<iovec> parts;
    parts.reserve(fields.size());
    for (const std::string& field : fields) {
        parts.push_back({const_cast<char*>(field.data()), field.size()});
    }
    // A datagram to a local socket: it never waits on the other end.
    const int result = sd_journal_sendv(parts.data(), static_cast<int>(parts.size()));
    if (result < 0) {
        error = std::strerror(-result);
        return false;
    }
    return true;
#else
    (void)fields;
    error = "this build has no journal support";
    return false;
#endif
}

} // namespace remote::alerts
