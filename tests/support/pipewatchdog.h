#pragma once

// For tests that open a name which may be a named pipe: should the code under test block
// there, the test fails after a generous limit instead of hanging.
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace testsupport {

// Watches a test that opens a name which may be a pipe: should the test block there for
// longer than a generous limit, the pipe is opened at both ends, which lets the blocked
// open return, so a failing test reports instead of hanging.
class PipeWatchdog {
public:
    explicit PipeWatchdog(std::filesystem::path fifo)
        : m_fifo(std::move(fifo))
        , m_thread([this] { watch(); }) {}
    ~PipeWatchdog() { stop(); }
    PipeWatchdog(const PipeWatchdog&) = delete;
    PipeWatchdog& operator=(const PipeWatchdog&) = delete;

    // True when the watched code had blocked and had to be released.
    bool stop() {
        {
            const std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_released;
    }

private:
    void watch() {
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, std::chrono::seconds(20), [this] { return m_done; })) {
            return;
        }
        m_released = true;
        std::signal(SIGPIPE, SIG_IGN);
        const int fd = ::open(m_fifo.c_str(), O_RDWR | O_NONBLOCK);
        // Held open for a moment, so a blocked writer has a reader for what it writes first.
        m_wake.wait_for(lock, std::chrono::seconds(1), [this] { return m_done; });
        if (fd >= 0) {
            ::close(fd);
        }
    }

    std::filesystem::path m_fifo;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    bool m_released = false;
    std::thread m_thread;
};

// Runs action on this thread; true when it returned without blocking on the pipe at fifo.
inline bool returnsWithoutBlocking(const std::filesystem::path& fifo,
                                   const std::function<void()>& action) {
    PipeWatchdog watchdog(fifo);
    action();
    return !watchdog.stop();
}

} // namespace testsupport
