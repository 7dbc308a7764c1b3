#pragma once

#include "remote/link/monitorview.h"
#include "remote/mqtt/payloads.h"

#include <array>
#include <optional>
#include <string>

namespace remote::mqtt {

// Stands between the link and the window, passes every call on unchanged, and keeps the
// settings the last settings frame showed: what the settings topic publishes. The clock and
// the laser readings change at every read-back and are left out; so the snapshot changes
// only when a setting does.
class SettingsWatch : public link::MonitorView {
public:
    explicit SettingsWatch(link::MonitorView& view);

    // Empty until a settings frame has been shown.
    const SettingsSnapshot& snapshot() const { return m_snapshot; }
    std::optional<std::string> detectorId() const;
    std::optional<std::string> serial() const;

    void setScreenCaption(int line, const std::string& caption) override;
    void setScreenOpaque(int line, bool opaque) override;
    void setHexCopy(const std::string& text) override;
    void setScanMarkVisible(bool visible) override;
    void setLampValue(Lamp lamp, bool lit) override;
    void setEventLabelColor(int channel, std::uint32_t colour) override;
    void setDisplayCaption(Display display, int index, const std::string& caption) override;
    void setSwitchValue(int index, bool on) override;
    bool switchValue(int index) const override;
    void setSwitchBackColor(int index, std::uint32_t colour) override;
    std::string inputText(Input field, int index) const override;
    void refuseSave(const std::string& message) override;

private:
    void set(const std::string& name, const std::string& value);
    std::optional<std::string> value(const char* name) const;

    link::MonitorView& m_view;
    SettingsSnapshot m_snapshot;
};

} // namespace remote::mqtt
