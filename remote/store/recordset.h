#pragma once

#include "remote/store/connection.h"

#include <memory>
#include <optional>
#include <string>

namespace remote::store {

// The settings table opened on one connection, which it keeps alive. Only the first record
// (the oldest row) is ever read or written; any others are left as they are.
class Recordset {
public:
    // Fails when the table or one of the columns every read and write needs is missing
    // (StoreError::Cause NoTable, NoColumn).
    Recordset(std::shared_ptr<Connection> connection, std::string table);

    // BOF and EOF both true: the table holds no record.
    bool isEmpty() const;

    // The first record's field as text; nullopt when it is null or the column is missing.
    std::optional<std::string> firstField(const char* column) const;

    // Rewrites the first record's COMPORT and BANDRATE, or appends a record when the table
    // is empty. All or nothing: on failure the file keeps its previous record.
    void writeFirst(int comPort, const std::string& bandRate);

    const Connection& connection() const { return *m_connection; }
    bool hasColumn(const char* column) const;
    bool tableExists() const;

private:
    std::string quotedTable() const;

    std::shared_ptr<Connection> m_connection;
    std::string m_table;
};

} // namespace remote::store
