#pragma once

#include <filesystem>
#include <system_error>

namespace common {

// Creates folder and every missing parent with mode 0700, whatever the umask: the station's
// files are its user's alone. A folder that is already there keeps its mode. Returns the
// error of the first part that could not be made (ENOTDIR where a file stands in the way).
std::error_code makePrivateFolder(const std::filesystem::path& folder);

} // namespace common
