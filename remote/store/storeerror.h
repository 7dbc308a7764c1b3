#pragma once

#include <stdexcept>
#include <string>

namespace remote::store {

// A failure of the settings file, carrying the database engine's own description
// ("unable to open database file", "file is encrypted or is not a database", ...) and what
// kind of failure it is, so that a caller can say it in words.
class StoreError : public std::runtime_error {
public:
    enum class Cause {
        Other,
        CannotOpen,   // the engine could not open the file
        NotADatabase, // not a database, or not one this key opens
        Damaged,      // the integrity check found damage
        Locked,       // another connection or program holds the file
        NoTable,      // the settings table is missing
        NoColumn,     // a column every read and write needs is missing
        NotAFile,     // a folder, a pipe, a device: refused before opening
    };

    explicit StoreError(const std::string& what, Cause cause = Cause::Other)
        : std::runtime_error(what)
        , m_cause(cause) {}

    Cause cause() const { return m_cause; }

private:
    Cause m_cause;
};

} // namespace remote::store
