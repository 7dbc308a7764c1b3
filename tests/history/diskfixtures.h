#pragma once

// Real file-system conditions for the history's tests: a small disk that fills up, a folder
// that turns read-only, a damaged file, and a folder's listing to show nothing was
// written. As root a tmpfs or a read-only bind mount does it; otherwise a file-size limit
// and permission bits stand in (root ignores the bits, so they are not used then).

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace historytest {

// A file system of its own at folder: a tmpfs of the given size. mounted() is false where
// the test may not mount; the folder is then an ordinary one.
class ScratchDisk {
public:
    ScratchDisk(const std::filesystem::path& folder, std::size_t bytes)
        : m_folder(folder) {
        std::filesystem::create_directories(folder);
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
        m_mounted =
            ::geteuid() == 0 && ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~ScratchDisk() {
        if (m_mounted) {
            ::umount2(m_folder.c_str(), MNT_DETACH);
        }
    }
    ScratchDisk(const ScratchDisk&) = delete;
    ScratchDisk& operator=(const ScratchDisk&) = delete;

    bool mounted() const { return m_mounted; }
    const std::filesystem::path& folder() const { return m_folder; }
    // Only for a mounted disk; fails while a file on it is open for writing.
    bool setReadOnly(bool readOnly) {
        return ::mount(nullptr, m_folder.c_str(), nullptr, MS_REMOUNT | (readOnly ? MS_RDONLY : 0),
                       nullptr) == 0;
    }

private:
    std::filesystem::path m_folder;
    bool m_mounted = false;
};

// Takes every free byte of a mounted disk with one file, or, on an ordinary folder, stops
// every file of this process from growing past its present size (the kernel's file-size
// limit, with the signal it sends ignored). free() gives it all back.
class DiskFiller {
public:
    DiskFiller(const ScratchDisk& disk, const std::vector<std::filesystem::path>& watched)
        : m_disk(disk) {
        if (disk.mounted()) {
            const auto path = disk.folder() / "filler";
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            const std::vector<char> block(4096, 'f');
            while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
            }
            ::fsync(fd);
            ::close(fd);
            return;
        }
        std::uintmax_t largest = 0;
        for (const auto& file : watched) {
            std::error_code error;
            largest = std::max(largest, std::filesystem::file_size(file, error));
        }
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = static_cast<rlim_t>(largest);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        m_limited = true;
    }
    ~DiskFiller() { free(); }
    DiskFiller(const DiskFiller&) = delete;
    DiskFiller& operator=(const DiskFiller&) = delete;

    void free() {
        if (m_disk.mounted()) {
            std::error_code error;
            std::filesystem::remove(m_disk.folder() / "filler", error);
        }
        if (m_limited) {
            ::setrlimit(RLIMIT_FSIZE, &m_saved);
            std::signal(SIGXFSZ, m_oldHandler);
            m_limited = false;
        }
    }

private:
    const ScratchDisk& m_disk;
    rlimit m_saved{};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_limited = false;
};

// The folder seen read-only: as root a read-only bind mount of it at view (writes through
// view fail whatever the bits say); otherwise the folder and its files lose their write
// bits and view is the folder itself.
class ReadOnlyView {
public:
    ReadOnlyView(const std::filesystem::path& folder, const std::filesystem::path& view)
        : m_folder(folder)
        , m_view(view) {
        if (::geteuid() == 0) {
            std::filesystem::create_directories(view);
            m_bound = ::mount(folder.c_str(), view.c_str(), nullptr, MS_BIND, nullptr) == 0;
            if (m_bound && ::mount(nullptr, view.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                                   nullptr) != 0) {
                ::umount2(view.c_str(), MNT_DETACH);
                m_bound = false;
            }
        }
        if (!m_bound) {
            m_view = folder;
            for (const auto& entry : std::filesystem::directory_iterator(folder)) {
                ::chmod(entry.path().c_str(), 0444);
            }
            ::chmod(folder.c_str(), 0555);
        }
    }
    ~ReadOnlyView() {
        if (m_bound) {
            ::umount2(m_view.c_str(), MNT_DETACH);
        } else {
            ::chmod(m_folder.c_str(), 0700);
        }
    }
    ReadOnlyView(const ReadOnlyView&) = delete;
    ReadOnlyView& operator=(const ReadOnlyView&) = delete;

    const std::filesystem::path& path() const { return m_view; }
    // Whether a write through the view really fails for this process.
    bool enforced() const { return m_bound || ::geteuid() != 0; }

private:
    std::filesystem::path m_folder;
    std::filesystem::path m_view;
    bool m_bound = false;
};

// A folder's files with what would show a write: size, modification time, mode and bytes.
struct FileFacts {
    std::uintmax_t size;
    std::int64_t mtimeNs;
    unsigned mode;
    std::string bytes;
    bool operator==(const FileFacts&) const = default;
};

inline std::string readAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::map<std::string, FileFacts> listing(const std::filesystem::path& folder) {
    std::map<std::string, FileFacts> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        struct stat st {};
        ::stat(entry.path().c_str(), &st);
        files[entry.path().filename().string()] = {
            static_cast<std::uintmax_t>(st.st_size),
            std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec,
            static_cast<unsigned>(st.st_mode & 07777), readAll(entry.path())};
    }
    return files;
}

inline unsigned modeOf(const std::filesystem::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 07777) : 0;
}

struct Leaf {
    std::size_t page;  // 1-based
    std::size_t cells; // rows on it
};

inline std::size_t pageSizeOf(const std::filesystem::path& file) {
    unsigned char header[100] = {};
    std::ifstream(file, std::ios::binary).read(reinterpret_cast<char*>(header), sizeof header);
    const std::size_t size = static_cast<std::size_t>(header[16] << 8 | header[17]);
    return size == 1 ? 65536 : size;
}

// The leaf pages of the alarm table (the only table besides the schema's, which is on
// page 1), in file order. The file must have no log.
inline std::vector<Leaf> tableLeaves(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::size_t pageSize = pageSizeOf(file);
    const std::size_t pages = std::filesystem::file_size(file) / pageSize;
    std::vector<Leaf> leaves;
    for (std::size_t page = 2; page <= pages; ++page) {
        unsigned char top[5];
        in.seekg(static_cast<std::streamoff>((page - 1) * pageSize));
        in.read(reinterpret_cast<char*>(top), sizeof top);
        if (top[0] == 0x0d) {
            leaves.push_back({page, static_cast<std::size_t>(top[3] << 8 | top[4])});
        }
    }
    return leaves;
}

// Overwrites the page with garbage that starts with no page type the engine knows;
// returns how many rows it held.
inline std::size_t damage(const std::filesystem::path& file, const Leaf& leaf) {
    const std::size_t pageSize = pageSizeOf(file);
    std::string garbage(pageSize, '\0');
    for (std::size_t b = 0; b < pageSize; ++b) {
        garbage[b] = static_cast<char>((b * 131 + leaf.page * 7) & 0xff);
    }
    garbage[0] = static_cast<char>(0xff);
    std::fstream io(file, std::ios::binary | std::ios::in | std::ios::out);
    io.seekp(static_cast<std::streamoff>((leaf.page - 1) * pageSize));
    io.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    return leaf.cells;
}

// Damages `count` leaf pages of the alarm table spread over the middle of the file;
// returns how many rows they held.
inline std::size_t damageTableLeaves(const std::filesystem::path& file, std::size_t count) {
    const std::vector<Leaf> leaves = tableLeaves(file);
    std::size_t rows = 0;
    for (std::size_t i = 0; i < count && !leaves.empty(); ++i) {
        rows += damage(file, leaves[leaves.size() * (i + 1) / (count + 1)]);
    }
    return rows;
}

} // namespace historytest
