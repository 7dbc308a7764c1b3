#pragma once

#include <filesystem>

namespace remote::store {

// Where the settings file is used from. The delivered file lies in the program's folder; a
// system-wide install cannot write there, so each user then works on a copy in their own
// data folder, made once from the delivered file.
struct SettingsLocation {
    std::filesystem::path file;
    bool perUserCopy = false;
};

// The folder that holds the delivered settings file: the program's own folder when the file
// lies there (a build tree, a copied folder), else the installed data folder when it lies
// there (a package keeps data out of the program folder), else the program's folder, whose
// missing file is then reported when opened.
std::filesystem::path deliveredSettingsFolder(const std::filesystem::path& programFolder,
                                              const std::filesystem::path& dataFolder);

// Picks the file: the delivered one when its folder and the file can be written; otherwise
// the per-user copy, seeded from the delivered file when it does not exist yet. Nothing is
// ever created from scratch: with no delivered file the delivered path is returned, and
// opening it reports the file as missing. Throws StoreError when seeding fails.
SettingsLocation locateSettingsFile(const std::filesystem::path& programFolder,
                                    const std::filesystem::path& perUserFolder);

} // namespace remote::store
