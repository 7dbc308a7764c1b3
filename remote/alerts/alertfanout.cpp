#include "remote/alerts/alertfanout.h"

#include <exception>
#include <utility>

namespace remote::alerts {

void AlertFanout::add(std::string name, Sink sink) {
    if (sink) {
        m_sinks.push_back({std::move(name), std::move(sink)});
    }
}

void AlertFanout::deliver(const history::AlarmRecord& alarm) {
    for (Entry& entry : m_sinks) {
        std::string error;
        try {
            entry.sink(alarm);
        } catch (const std::exception& e) {
            error = e.what();
        } catch (...) {
            error = "unknown error";
        }
        if (error.empty()) {
            entry.failed = false;
        } else if (!std::exchange(entry.failed, true) && m_report) {
            m_report("Alarm " + entry.name + " failed: " + error);
        }
    }
}

std::vector<std::string> AlertFanout::names() const {
    std::vector<std::string> out;
    for (const Entry& entry : m_sinks) {
        out.push_back(entry.name);
    }
    return out;
}

} // namespace remote::alerts
