#include "common/privatefolder.h"

#include <cerrno>
#include <sys/stat.h>

namespace common {

std::error_code makePrivateFolder(const std::filesystem::path& folder) {
    std::filesystem::path path;
    for (const auto& part : folder) {
        path /= part;
        if (part == path.root_path() || part.empty()) {
            continue;
        }
        if (::mkdir(path.c_str(), 0700) == 0) {
            // mkdir's mode passes through the umask; the folder is made private regardless.
            ::chmod(path.c_str(), 0700);
            continue;
        }
        const int error = errno;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            continue;
        }
        return {error == EEXIST ? ENOTDIR : error, std::generic_category()};
    }
    return {};
}

} // namespace common
