#include "remote/store/settingslocation.h"

#include "remote/store/storeconstants.h"
#include "remote/store/storeerror.h"

#include "common/privatefolder.h"

#include <system_error>
#include <unistd.h>

namespace remote::store {

namespace {

// The engine writes a journal beside the file, so the folder must take new files too.
bool writable(const std::filesystem::path& path, bool isFolder) {
    return ::access(path.c_str(), isFolder ? (W_OK | X_OK) : W_OK) == 0;
}

void seedCopy(const std::filesystem::path& delivered, const std::filesystem::path& copy) {
    // The station's per-user folder also holds the alarm history: its user's alone.
    std::error_code error = common::makePrivateFolder(copy.parent_path());
    if (error) {
        throw StoreError(copy.parent_path().string() + ": " + error.message());
    }
    // Copy beside the target, then rename: a copy cut short never looks like a settings file.
    std::filesystem::path partial = copy;
    partial += ".partial";
    std::filesystem::copy_file(delivered, partial,
                               std::filesystem::copy_options::overwrite_existing, error);
    if (!error) {
        // The user's copy is private whatever mode the delivered file has.
        std::filesystem::permissions(
            partial, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
            std::filesystem::perm_options::replace, error);
    }
    if (!error) {
        std::filesystem::rename(partial, copy, error);
    }
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        throw StoreError(copy.string() + ": " + error.message());
    }
}

} // namespace

std::filesystem::path deliveredSettingsFolder(const std::filesystem::path& programFolder,
                                              const std::filesystem::path& dataFolder) {
    std::error_code error;
    if (std::filesystem::exists(programFolder / kSettingsFileName, error)) {
        return programFolder;
    }
    if (!dataFolder.empty() && std::filesystem::exists(dataFolder / kSettingsFileName, error)) {
        return dataFolder;
    }
    return programFolder;
}

SettingsLocation locateSettingsFile(const std::filesystem::path& programFolder,
                                    const std::filesystem::path& perUserFolder) {
    const std::filesystem::path delivered = programFolder / kSettingsFileName;
    std::error_code error;
    const bool deliveredExists = std::filesystem::exists(delivered, error);
    if (writable(programFolder, true) && (!deliveredExists || writable(delivered, false))) {
        return {delivered, false};
    }
    const std::filesystem::path copy = perUserFolder / kSettingsFileName;
    if (std::filesystem::exists(copy, error)) {
        return {copy, true};
    }
    if (!deliveredExists) {
        return {delivered, false};
    }
    seedCopy(delivered, copy);
    return {copy, true};
}

} // namespace remote::store
