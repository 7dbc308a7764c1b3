#include "remote/history/csvexport.h"

#include <string_view>

namespace remote::history {
namespace {

// Writes one field to out: quoted where needed, and with a leading ' where a spreadsheet
// would run it as a formula. Nothing is copied for the common plain field.
template <typename Out>
void putField(Out& out, std::string_view text) {
    const bool formula =
        !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos;
    const bool quoted = text.find_first_of(",\"\r\n") != std::string_view::npos;
    if (!formula && !quoted) {
        out += text;
        return;
    }
    if (quoted) {
        out += '"';
    }
    if (formula) {
        out += '\'';
    }
    for (const char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    if (quoted) {
        out += '"';
    }
}

// The stream as putField writes to a string.
struct StreamOut {
    std::ostream& out;
    StreamOut& operator+=(std::string_view text) {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        return *this;
    }
    StreamOut& operator+=(char c) {
        out.put(c);
        return *this;
    }
};

} // namespace

CsvWriter::CsvWriter(std::ostream& out)
    : m_out(out) {
    m_out << "time,channel,label,detector_clock,dropped_bytes\r\n";
}

std::string CsvWriter::field(const std::string& text) {
    std::string cell;
    putField(cell, text);
    return cell;
}

void CsvWriter::write(const AlarmRecord& r) {
    StreamOut out{m_out};
    // A time holds digits, '-', ':', '.', 'T' and '+' only: it needs no quotes, and the
    // guard only before a year below zero.
    const std::string time = isoLocalTime(r.utcMs, r.utcOffsetSeconds);
    if (time.starts_with('-')) {
        m_out << '\'';
    }
    m_out << time << ',' << r.channel << ',';
    putField(out, r.label);
    m_out << ',';
    if (r.detectorClock) {
        putField(out, *r.detectorClock);
    }
    m_out << ',' << r.droppedBytes << "\r\n";
    ++m_rows;
}

} // namespace remote::history
