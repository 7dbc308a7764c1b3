#include "remote/store/settingsstore.h"

#include "common/numbertext.h"
#include "remote/store/storeconstants.h"

namespace remote::store {

SettingsStore::SettingsStore(const std::filesystem::path& file)
    : m_file(file)
    , m_sharedConnection(std::make_shared<Connection>(file, kFirstConnectionTimeout))
    , m_settingsRecordset(std::make_unique<Recordset>(m_sharedConnection, kSettingsTable)) {}

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
