#include "remote/recording/replayrunner.h"

#include <algorithm>

namespace remote::recording {

ReplayRunner::ReplayRunner(ReplayScheduler scheduler, Feed feed, QObject* parent)
    : QObject(parent)
    , m_scheduler(std::move(scheduler))
    , m_feed(std::move(feed)) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ReplayRunner::step);
}

std::uint64_t ReplayRunner::nowUs() const {
    return static_cast<std::uint64_t>(m_clock.nsecsElapsed() / 1000);
}

void ReplayRunner::start() {
    m_clock.start();
    m_scheduler.start(nowUs());
    m_running = true;
    m_timer.start(0);
}

void ReplayRunner::stop() {
    if (!m_running) {
        return;
    }
    m_running = false;
    m_timer.stop();
    emit finished();
}

void ReplayRunner::step() {
    if (!m_running) {
        return;
    }
    const auto bytes = m_scheduler.due(nowUs());
    if (!bytes.empty() && m_feed) {
        m_feed(bytes);
    }
    const auto next = m_scheduler.nextDueUs();
    if (!next) {
        stop();
        return;
    }
    // Wakes at the next chunk's time (the event loop runs between slices of a fast replay).
    const std::uint64_t now = nowUs();
    const auto waitMs =
        *next > now
            ? static_cast<int>(std::min<std::uint64_t>((*next - now - 1) / 1000 + 1, 60'000))
            : 0;
    m_timer.start(waitMs);
}

} // namespace remote::recording
