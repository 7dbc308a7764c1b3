#include "remote/alerts/commandqueue.h"

#include <algorithm>

namespace remote::alerts {

CommandQueue::CommandQueue(Launcher& launcher, Limits limits)
    : m_launcher(launcher)
    , m_limits(limits) {
    m_limits.maxRunning = std::max(1, m_limits.maxRunning);
    m_limits.timeLimitMs = std::max<std::int64_t>(1, m_limits.timeLimitMs);
}

bool CommandQueue::submit(CommandJob job, std::int64_t nowMs) {
    if (m_waiting.size() >= m_limits.maxWaiting && running() >= m_limits.maxRunning) {
        ++m_dropped;
        return false;
    }
    m_waiting.push_back(std::move(job));
    startWaiting(nowMs);
    return true;
}

void CommandQueue::startWaiting(std::int64_t nowMs) {
    // A launcher may report a failed start from inside start(): the loop re-reads the
    // counts each time round.
    while (!m_waiting.empty() && running() < m_limits.maxRunning) {
        const JobId id = m_nextId++;
        CommandJob job = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_running[id] = Running{nowMs, false};
        m_mostRunning = std::max(m_mostRunning, running());
        m_launcher.start(id, job);
    }
}

bool CommandQueue::finished(JobId id, std::int64_t nowMs) {
    const auto it = m_running.find(id);
    if (it == m_running.end()) {
        return false;
    }
    const bool killed = it->second.killed;
    m_running.erase(it);
    startWaiting(nowMs);
    return killed;
}

void CommandQueue::expire(std::int64_t nowMs) {
    std::vector<JobId> overdue;
    for (auto& [id, job] : m_running) {
        if (!job.killed && nowMs - job.startedMs >= m_limits.timeLimitMs) {
            job.killed = true;
            overdue.push_back(id);
        }
    }
    // Killing may report the end at once, which changes m_running.
    for (const JobId id : overdue) {
        m_launcher.kill(id);
    }
}

std::int64_t CommandQueue::nextDeadline() const {
    std::int64_t next = -1;
    for (const auto& [id, job] : m_running) {
        if (!job.killed) {
            const std::int64_t due = job.startedMs + m_limits.timeLimitMs;
            next = next < 0 ? due : std::min(next, due);
        }
    }
    return next;
}

} // namespace remote::alerts
