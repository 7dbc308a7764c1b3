#pragma once

// Recordings on disk for the recording and replay tests: writing bytes, reading every
// record back, and doing something with a name that may be a pipe without the test hanging
// should it block.
#include "remote/recording/recordingformat.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <unistd.h>
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

// Runs action on a thread of its own; true when it returned within a generous limit. When
// it did not (blocked opening the pipe at fifo), the pipe is opened at both ends to release
// it, so a failing test reports instead of hanging.
inline bool returnsWithoutBlocking(const std::filesystem::path& fifo,
                                   const std::function<void()>& action) {
    auto done = std::async(std::launch::async, action);
    if (done.wait_for(std::chrono::seconds(20)) == std::future_status::ready) {
        done.get();
        return true;
    }
    // Opening both ends lets a blocked open return; closing them then ends a blocked read.
    const int release = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    done.wait_for(std::chrono::seconds(1));
    if (release >= 0) {
        ::close(release);
    }
    done.wait();
    return false;
}

} // namespace recordingtest
