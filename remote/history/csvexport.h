#pragma once

#include "remote/history/alarmrecord.h"

#include <ostream>
#include <string>

namespace remote::history {

// Alarm rows as CSV (time, channel, label, detector clock, dropped bytes): a header line, then one
// line per alarm, lines ended by CR LF, fields quoted where they hold a comma, a quote or a line
// break (quotes doubled), UTF-8 text, times in ISO 8601 local time with offset. A field that starts
// with =, +, -, @, a tab or a carriage return gets a leading ' so that a spreadsheet takes it as
// text, not a formula.
class CsvWriter {
public:
    explicit CsvWriter(std::ostream& out);
    void write(const AlarmRecord& record);
    std::size_t rows() const { return m_rows; }

    static std::string field(const std::string& text);

private:
    std::ostream& m_out;
    std::size_t m_rows = 0;
};

} // namespace remote::history
