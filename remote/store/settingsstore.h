#pragma once

#include "remote/store/connection.h"
#include "remote/store/recordset.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace remote::store {

// What reading the settings record yields at start-up.
struct StoredSettings {
    std::int16_t CommPortNumber = 0;
    std::optional<std::string> BANDRATE; // read but never applied to the port
};

// What a save reads back after the record has been written.
struct SavedSettings {
    std::int16_t CommPortNumber = 0;
    std::optional<std::string> COMSPEED; // nullopt when the column is null or missing
};

// The station's settings file and its four operations. Every failure is a StoreError with
// the engine's description; none of them changes the file.
class SettingsStore {
public:
    // Opening the store: the start-up connection (1 s timeout) and the settings recordset on
    // it. The recordset keeps that connection alive for the whole run. A file that cannot be
    // used is refused with a StoreError naming the file and what is wrong with it, then the
    // engine's text: "/path/Kvrset.mdb: the settings file is empty. (no such table: 환경설정)".
    explicit SettingsStore(const std::filesystem::path& file);

    // A second connection (5 s timeout) replaces SharedConnection; nothing runs on it.
    void OpenSharedConnection();

    // The first record's port number and speed text; nullopt when the table is empty.
    std::optional<StoredSettings> ReadSettings() const;

    // Rewrites the first record (appends one to an empty table) in one transaction, then
    // reads the port number and COMSPEED back.
    SavedSettings SaveSettings(std::int16_t comPort, const std::string& bandRate);

    const Connection& SharedConnection() const { return *m_sharedConnection; }
    const Recordset& SettingsRecordset() const { return *m_settingsRecordset; }
    const std::filesystem::path& file() const { return m_file; }

private:
    std::filesystem::path m_file;
    std::shared_ptr<Connection> m_sharedConnection;
    std::unique_ptr<Recordset> m_settingsRecordset;
};

// A stored COMPORT value turned into a port number: its text read by the leading-number
// rule and rounded to 16 bits. Null, non-numeric and out-of-range values give 0, which the
// port then refuses as an invalid port number.
std::int16_t portNumberFromText(const std::optional<std::string>& text);

} // namespace remote::store
