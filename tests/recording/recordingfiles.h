#pragma once

// Recordings on disk for the recording and replay tests: writing bytes and reading every
// record back.
#include "remote/recording/recordingformat.h"
#include "support/pipewatchdog.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace recordingtest {

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<remote::recording::Chunk> readChunks(const std::filesystem::path& path) {
    remote::recording::RecordingReader reader(path);
    std::vector<remote::recording::Chunk> chunks;
    while (auto chunk = reader.next()) {
        chunks.push_back(std::move(*chunk));
    }
    return chunks;
}

} // namespace recordingtest
