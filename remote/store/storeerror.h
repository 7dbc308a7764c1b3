#pragma once

#include <stdexcept>
#include <string>

namespace remote::store {

// A failure of the settings file, carrying the database engine's own description
// ("unable to open database file", "file is encrypted or is not a database", ...).
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace remote::store
