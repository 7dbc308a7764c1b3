#include "remote/history/csvexport.h"

namespace remote::history {

CsvWriter::CsvWriter(std::ostream& out)
    : m_out(out) {
    m_out << "time,channel,label,detector_clock\r\n";
}

std::string CsvWriter::field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    return quoted + '"';
}

void CsvWriter::write(const AlarmRecord& r) {
    m_out << isoLocalTime(r.utcMs, r.utcOffsetSeconds) << ',' << r.channel << ',' << field(r.label)
          << ',' << field(r.detectorClock.value_or(std::string())) << "\r\n";
    ++m_rows;
}

} // namespace remote::history
