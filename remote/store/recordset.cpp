#include "remote/store/recordset.h"

#include "remote/store/storeconstants.h"
#include "remote/store/storeerror.h"

namespace remote::store {

namespace {

std::string quoted(const std::string& identifier) {
    std::string out = "\"";
    for (const char c : identifier) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + '"';
}

std::string lowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

} // namespace

Recordset::Recordset(std::shared_ptr<Connection> connection, std::string table)
    : m_connection(std::move(connection))
    , m_table(std::move(table)) {
    // A missing table or column is found before any window depends on the record, and
    // reported with the engine's own words for it.
    if (!tableExists()) {
        throw StoreError("no such table: " + m_table, StoreError::Cause::NoTable);
    }
    for (const char* column : {kColumnComPort, kColumnBandRate}) {
        if (!hasColumn(column)) {
            throw StoreError(std::string("no such column: ") + column, StoreError::Cause::NoColumn);
        }
    }
    Statement probe(*m_connection, "SELECT " + std::string(kColumnComPort) + ", " +
                                       kColumnBandRate + " FROM " + quotedTable() + " LIMIT 0");
    probe.step();
}

std::string Recordset::quotedTable() const {
    return quoted(m_table);
}

bool Recordset::tableExists() const {
    // A table has at least one column: no rows means no such table (or view).
    Statement info(*m_connection, "PRAGMA table_info(" + quotedTable() + ")");
    return info.step();
}

bool Recordset::hasColumn(const char* column) const {
    // Column names compare without case, as the engine itself matches them.
    Statement info(*m_connection, "PRAGMA table_info(" + quotedTable() + ")");
    const std::string wanted = lowerAscii(column);
    while (info.step()) {
        if (lowerAscii(info.text(1)) == wanted) {
            return true;
        }
    }
    return false;
}

bool Recordset::isEmpty() const {
    Statement any(*m_connection, "SELECT EXISTS (SELECT 1 FROM " + quotedTable() + ")");
    return !any.step() || any.integer(0) == 0;
}

std::optional<std::string> Recordset::firstField(const char* column) const {
    if (!hasColumn(column)) {
        return std::nullopt;
    }
    Statement read(*m_connection, "SELECT " + quoted(column) + " FROM " + quotedTable() +
                                      " ORDER BY rowid LIMIT 1");
    if (!read.step() || read.isNull(0)) {
        return std::nullopt;
    }
    return read.text(0);
}

void Recordset::writeFirst(int comPort, const std::string& bandRate) {
    Transaction transaction(*m_connection);
    std::optional<long long> firstRow;
    {
        Statement first(*m_connection,
                        "SELECT rowid FROM " + quotedTable() + " ORDER BY rowid LIMIT 1");
        if (first.step()) {
            firstRow = first.integer(0);
        }
    }
    if (firstRow) {
        Statement update(*m_connection, "UPDATE " + quotedTable() + " SET " + kColumnComPort +
                                            " = ?, " + kColumnBandRate + " = ? WHERE rowid = ?");
        update.bind(1, comPort);
        update.bind(2, bandRate);
        update.bind(3, *firstRow);
        update.step();
    } else {
        Statement append(*m_connection, "INSERT INTO " + quotedTable() + " (" + kColumnComPort +
                                            ", " + kColumnBandRate + ") VALUES (?, ?)");
        append.bind(1, comPort);
        append.bind(2, bandRate);
        append.step();
    }
    transaction.commit();
}

} // namespace remote::store
