#pragma once

#include "remote/link/monitorview.h"

#include <array>
#include <functional>
#include <string>

namespace remote::headless {

// The monitor window's place with nothing to show: the four on/off switches keep their
// values (the link reads them back), input fields are empty (nothing is saved without a
// window), and a refused save is passed to the log.
class HeadlessView : public link::MonitorView {
public:
    explicit HeadlessView(std::function<void(const std::string&)> log)
        : m_log(std::move(log)) {}

    void setScreenCaption(int, const std::string&) override {}
    void setScreenOpaque(int, bool) override {}
    void setHexCopy(const std::string&) override {}
    void setScanMarkVisible(bool) override {}
    void setLampValue(Lamp, bool) override {}
    void setEventLabelColor(int, std::uint32_t) override {}
    void setDisplayCaption(Display, int, const std::string&) override {}
    void setSwitchValue(int index, bool on) override {
        if (index >= 0 && index < static_cast<int>(m_switches.size())) {
            m_switches[static_cast<std::size_t>(index)] = on;
        }
    }
    bool switchValue(int index) const override {
        return index >= 0 && index < static_cast<int>(m_switches.size()) &&
               m_switches[static_cast<std::size_t>(index)];
    }
    void setSwitchBackColor(int, std::uint32_t) override {}
    std::string inputText(Input, int) const override { return {}; }
    void refuseSave(const std::string& message) override {
        if (m_log) {
            m_log(message);
        }
    }

private:
    std::function<void(const std::string&)> m_log;
    std::array<bool, 4> m_switches{};
};

} // namespace remote::headless
