#pragma once

#include <filesystem>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace remote::store {

// One open connection to the keyed settings file. The file must exist: a connection never
// creates one. Every failure is a StoreError with the engine's own description.
class Connection {
public:
    // Opens file with the settings key. timeoutSeconds is how long a statement waits for a
    // lock another connection or process holds before it fails with "database is locked".
    Connection(const std::filesystem::path& file, int timeoutSeconds);
    ~Connection();

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int ConnectionTimeout() const { return m_timeoutSeconds; }
    const std::filesystem::path& file() const { return m_file; }

    // Runs statements that return no rows.
    void exec(const char* sql);

    sqlite3* handle() const { return m_db; }
    [[noreturn]] void fail() const;

private:
    void checkReadable();

    std::filesystem::path m_file;
    int m_timeoutSeconds = 0;
    sqlite3* m_db = nullptr;
};

// A prepared statement that is finalised when it goes out of scope.
class Statement {
public:
    Statement(const Connection& connection, const std::string& sql);
    ~Statement();

    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, int value);
    void bind(int index, long long value);
    void bind(int index, const std::string& text);

    // Steps once: true when a row is ready, false when the statement is done.
    bool step();

    bool isNull(int column) const;
    long long integer(int column) const;
    // The column as text, whatever its stored type (a number reads as its decimal text).
    std::string text(int column) const;

private:
    const Connection& m_connection;
    sqlite3_stmt* m_stmt = nullptr;
};

// Writes inside a transaction: committed by commit(), rolled back otherwise, so a save
// that fails half way leaves the file as it was.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();

    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Connection& m_connection;
    bool m_open = false;
};

} // namespace remote::store
