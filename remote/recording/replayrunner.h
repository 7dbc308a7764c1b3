#pragma once

#include "remote/recording/replayscheduler.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <span>

namespace remote::recording {

// Drives a replay on the window's thread: a timer wakes when the next chunk is due and
// hands the due bytes to the receive entry point, as a receive event would.
class ReplayRunner : public QObject {
    Q_OBJECT

public:
    using Feed = std::function<void(std::span<const std::uint8_t>)>;

    ReplayRunner(ReplayScheduler scheduler, Feed feed, QObject* parent = nullptr);

    void start();
    // Ends the replay early; finished follows.
    void stop();
    bool running() const { return m_running; }
    const ReplayScheduler& scheduler() const { return m_scheduler; }

signals:
    void finished();

private:
    void step();
    std::uint64_t nowUs() const;

    ReplayScheduler m_scheduler;
    Feed m_feed;
    QElapsedTimer m_clock;
    QTimer m_timer;
    bool m_running = false;
};

} // namespace remote::recording
