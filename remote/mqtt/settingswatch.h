#pragma once

#include "remote/link/forwardingview.h"
#include "remote/mqtt/payloads.h"

#include <array>
#include <optional>
#include <string>

namespace remote::mqtt {

// Stands between the link and the window, passes every call on unchanged, and keeps the
// settings the last settings frame showed: what the settings topic publishes. The clock and
// the laser readings change at every read-back and are left out; so the snapshot changes
// only when a setting does.
class SettingsWatch : public link::ForwardingView {
public:
    explicit SettingsWatch(link::MonitorView& view);

    // Empty until a settings frame has been shown.
    const SettingsSnapshot& snapshot() const { return m_snapshot; }
    std::optional<std::string> detectorId() const;
    std::optional<std::string> serial() const;

    void setDisplayCaption(Display display, int index, const std::string& caption) override;
    void setSwitchValue(int index, bool on) override;

private:
    void set(const std::string& name, const std::string& value);
    std::optional<std::string> value(const char* name) const;

    SettingsSnapshot m_snapshot;
};

} // namespace remote::mqtt
