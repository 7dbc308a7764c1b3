#pragma once

#include "remote/link/monitorview.h"

namespace remote::link {

// A view that stands between the link and another view and passes every call on unchanged.
// A watch derives from it and overrides only the calls it looks at, calling the base to pass
// them on, so a call added to MonitorView later cannot be dropped by a watch in the chain.
class ForwardingView : public MonitorView {
public:
    explicit ForwardingView(MonitorView& next)
        : m_next(next) {}

    void setScreenCaption(int line, const std::string& caption) override {
        m_next.setScreenCaption(line, caption);
    }
    void setScreenOpaque(int line, bool opaque) override { m_next.setScreenOpaque(line, opaque); }
    void setHexCopy(const std::string& text) override { m_next.setHexCopy(text); }
    void setScanMarkVisible(bool visible) override { m_next.setScanMarkVisible(visible); }
    void setLampValue(Lamp lamp, bool lit) override { m_next.setLampValue(lamp, lit); }
    void setEventLabelColor(int channel, std::uint32_t colour) override {
        m_next.setEventLabelColor(channel, colour);
    }
    void setDisplayCaption(Display display, int index, const std::string& caption) override {
        m_next.setDisplayCaption(display, index, caption);
    }
    void settingsReadBack(const SettingsReadout& readout) override {
        m_next.settingsReadBack(readout);
    }
    void setSwitchValue(int index, bool on) override { m_next.setSwitchValue(index, on); }
    bool switchValue(int index) const override { return m_next.switchValue(index); }
    void setSwitchBackColor(int index, std::uint32_t colour) override {
        m_next.setSwitchBackColor(index, colour);
    }
    std::string inputText(Input field, int index) const override {
        return m_next.inputText(field, index);
    }
    void refuseSave(const std::string& message) override { m_next.refuseSave(message); }

private:
    MonitorView& m_next;
};

} // namespace remote::link
