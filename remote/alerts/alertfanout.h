#pragma once

#include "remote/history/alarmrecord.h"

#include <functional>
#include <string>
#include <vector>

namespace remote::alerts {

// One alarm, several places: each sink is called in the order it was added (the history
// first). A sink must return at once (it starts its work and leaves); one that throws is
// reported once and the others are still called.
class AlertFanout {
public:
    using Sink = std::function<void(const history::AlarmRecord&)>;
    using Reporter = std::function<void(const std::string& message)>;

    void setReporter(Reporter report) { m_report = std::move(report); }
    void add(std::string name, Sink sink);
    void deliver(const history::AlarmRecord& alarm);

    std::size_t size() const { return m_sinks.size(); }
    std::vector<std::string> names() const;

private:
    struct Entry {
        std::string name;
        Sink sink;
        bool failed = false; // reported; said again only after it has worked once
    };
    std::vector<Entry> m_sinks;
    Reporter m_report;
};

} // namespace remote::alerts
