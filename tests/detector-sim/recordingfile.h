#pragma once

// Line recordings built byte by byte as the format page lays them out, for the replay
// tests.
#include "simframes.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace simtest {

inline void putLittle(Bytes& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

inline Bytes recordingHeader(std::uint32_t version = 1) {
    Bytes out = bytesOf("LINEREC\n");
    putLittle(out, version, 4);
    putLittle(out, 0, 4);
    return out;
}

inline void putRecord(Bytes& out, std::uint64_t timeUs, char direction, const Bytes& bytes) {
    putLittle(out, timeUs, 8);
    out.push_back(static_cast<std::uint8_t>(direction));
    putLittle(out, bytes.size(), 4);
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// A folder of its own for a test's files, removed with them at the end.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "simtest-XXXXXX").string();
        if (::mkdtemp(pattern.data())) {
            m_path = pattern;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!m_path.empty()) {
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string file(const std::string& name) const { return (m_path / name).string(); }
    // Writes bytes to the named file and returns its path.
    std::string write(const std::string& name, const Bytes& bytes) const {
        const std::string path = file(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
        return path;
    }

private:
    std::filesystem::path m_path;
};

} // namespace simtest
