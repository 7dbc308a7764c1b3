#include "remote/history/csvexport.h"

#include <string_view>

namespace remote::history {

CsvWriter::CsvWriter(std::ostream& out)
    : m_out(out) {
    m_out << "time,channel,label,detector_clock\r\n";
}

std::string CsvWriter::field(const std::string& text) {
    // A spreadsheet runs a cell that starts so as a formula; the quote keeps it text.
    const bool formula =
        !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos;
    const std::string cell = formula ? '\'' + text : text;
    if (cell.find_first_of(",\"\r\n") == std::string::npos) {
        return cell;
    }
    std::string quoted = "\"";
    for (const char c : cell) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    return quoted + '"';
}

void CsvWriter::write(const AlarmRecord& r) {
    m_out << field(isoLocalTime(r.utcMs, r.utcOffsetSeconds)) << ',' << r.channel << ','
          << field(r.label) << ',' << field(r.detectorClock.value_or(std::string())) << "\r\n";
    ++m_rows;
}

} // namespace remote::history
