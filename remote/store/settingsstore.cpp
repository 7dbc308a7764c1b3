#include "remote/store/settingsstore.h"

#include "common/numbertext.h"
#include "remote/store/storeconstants.h"
#include "remote/store/storeerror.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>

namespace remote::store {

namespace {

// What is wrong with a settings file that cannot be used, in words. What the file is comes
// first (missing, a folder, empty, unreadable): the engine has fewer words for those.
std::string whatIsWrong(const std::filesystem::path& file, StoreError::Cause cause) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return "the settings file does not exist";
    }
    if (status.type() == std::filesystem::file_type::directory) {
        return "the settings file is a folder";
    }
    if (cause == StoreError::Cause::NotAFile) {
        return "the settings file is not a regular file";
    }
    if (status.type() == std::filesystem::file_type::regular &&
        std::filesystem::file_size(file, error) == 0 && !error) {
        return "the settings file is empty";
    }
    if (::access(file.c_str(), R_OK) != 0 && errno == EACCES) {
        return "this user may not read the settings file";
    }
    switch (cause) {
    case StoreError::Cause::NotADatabase:
        return "the settings file is not a settings database, or its key does not match";
    case StoreError::Cause::Damaged:
        return "the settings file is damaged";
    case StoreError::Cause::Locked:
        return "the settings file is held by another program";
    case StoreError::Cause::NoTable:
        return std::string("the settings file has no table ") + kSettingsTable;
    case StoreError::Cause::NoColumn:
        return std::string("the settings file's table ") + kSettingsTable + " lacks a column";
    case StoreError::Cause::CannotOpen:
    case StoreError::Cause::NotAFile:
    case StoreError::Cause::Other:
        break;
    }
    return "the settings file could not be opened";
}

// A pipe or a device in the file's place could keep the engine waiting, or feed it
// anything: only a regular file (or a link to one) is opened. A missing file or a folder
// is left to the engine, which refuses both.
void refuseSpecialFile(const std::filesystem::path& file) {
    std::error_code error;
    const auto type = std::filesystem::status(file, error).type();
    if (type != std::filesystem::file_type::regular &&
        type != std::filesystem::file_type::not_found &&
        type != std::filesystem::file_type::directory && type != std::filesystem::file_type::none) {
        throw StoreError("not a regular file", StoreError::Cause::NotAFile);
    }
}

} // namespace

SettingsStore::SettingsStore(const std::filesystem::path& file)
    : m_file(file) {
    try {
        refuseSpecialFile(file);
        m_sharedConnection = std::make_shared<Connection>(file, kFirstConnectionTimeout);
        m_settingsRecordset = std::make_unique<Recordset>(m_sharedConnection, kSettingsTable);
    } catch (const StoreError& e) {
        // Reported at start-up, before any window: the file and its fault in words, then
        // the engine's own text.
        std::string text = file.string() + ": " + whatIsWrong(file, e.cause()) + ".";
        if (e.cause() != StoreError::Cause::NotAFile) {
            text += std::string(" (") + e.what() + ")";
        }
        throw StoreError(text, e.cause());
    }
}

void SettingsStore::OpenSharedConnection() {
    m_sharedConnection = std::make_shared<Connection>(m_file, kSharedConnectionTimeout);
}

std::optional<StoredSettings> SettingsStore::ReadSettings() const {
    if (m_settingsRecordset->isEmpty()) {
        return std::nullopt;
    }
    StoredSettings settings;
    settings.CommPortNumber = portNumberFromText(m_settingsRecordset->firstField(kColumnComPort));
    settings.BANDRATE = m_settingsRecordset->firstField(kColumnBandRate);
    return settings;
}

SavedSettings SettingsStore::SaveSettings(std::int16_t comPort, const std::string& bandRate) {
    m_settingsRecordset->writeFirst(comPort, bandRate);
    SavedSettings saved;
    saved.CommPortNumber = portNumberFromText(m_settingsRecordset->firstField(kColumnComPort));
    saved.COMSPEED = m_settingsRecordset->firstField(kColumnComSpeed);
    return saved;
}

std::int16_t portNumberFromText(const std::optional<std::string>& text) {
    if (!text) {
        return 0;
    }
    return common::CInt(common::Val(*text)).value_or(0);
}

} // namespace remote::store
