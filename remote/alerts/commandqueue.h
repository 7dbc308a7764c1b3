#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace remote::alerts {

// One run of the alarm command: the program and its arguments (no shell), and the
// variables added to the station's environment.
struct CommandJob {
    std::vector<std::string> arguments; // program first
    std::vector<std::pair<std::string, std::string>> environment;
};

// Runs at most maxRunning commands at once; later ones wait in a queue of maxWaiting and
// past it are dropped and counted. A command running past timeLimitMs is killed. Time is
// given by the caller (milliseconds of any steady clock), so a test drives it by hand.
class CommandQueue {
public:
    using JobId = std::uint64_t;

    struct Limits {
        int maxRunning = 4;
        std::size_t maxWaiting = 16;
        std::int64_t timeLimitMs = 30'000;
    };

    // Starts and kills the processes; reports back through finished().
    class Launcher {
    public:
        virtual ~Launcher() = default;
        virtual void start(JobId id, const CommandJob& job) = 0;
        virtual void kill(JobId id) = 0;
    };

    CommandQueue(Launcher& launcher, Limits limits);
    CommandQueue(Launcher& launcher)
        : CommandQueue(launcher, Limits{}) {}

    // False when the queue is full and the job was dropped.
    bool submit(CommandJob job, std::int64_t nowMs);
    // The job ended, or could not start; the next waiting one starts. Unknown ids are
    // ignored. True when the job had been killed for running too long.
    bool finished(JobId id, std::int64_t nowMs);
    // Kills every job past the limit (once each).
    void expire(std::int64_t nowMs);
    // When expire() next has something to do; -1 when nothing runs unkilled.
    std::int64_t nextDeadline() const;

    int running() const { return static_cast<int>(m_running.size()); }
    std::size_t waiting() const { return m_waiting.size(); }
    std::uint64_t dropped() const { return m_dropped; }
    int mostRunning() const { return m_mostRunning; }
    const Limits& limits() const { return m_limits; }

private:
    void startWaiting(std::int64_t nowMs);

    struct Running {
        std::int64_t startedMs = 0;
        bool killed = false;
    };
    Launcher& m_launcher;
    Limits m_limits;
    std::deque<CommandJob> m_waiting;
    std::map<JobId, Running> m_running;
    JobId m_nextId = 1;
    std::uint64_t m_dropped = 0;
    int m_mostRunning = 0;
};

} // namespace remote::alerts
