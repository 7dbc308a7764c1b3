#include "remote/mqtt/settingswatch.h"

#include <algorithm>

namespace remote::mqtt {
namespace {

// Blanks and control bytes around a caption are the frame's padding.
std::string trimmed(const std::string& s) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    const auto first = std::find_if_not(s.begin(), s.end(), blank);
    const auto last = std::find_if_not(s.rbegin(), s.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

const char* settingName(link::MonitorView::Display display) {
    using D = link::MonitorView::Display;
    switch (display) {
    case D::SETID:
        return "SETID";
    case D::RFXTIME:
        return "RFXTIME";
    case D::LASERQ1:
        return "LASERQ1";
    case D::LASERQ2:
        return "LASERQ2";
    case D::LASERVV1:
        return "LASERVV1";
    case D::LASERVV2:
        return "LASERVV2";
    case D::STIMEV:
        return "STIMEV";
    case D::FREQV:
        return "FREQV";
    case D::SERIAL:
        return "SERIAL";
    case D::TTIME:
    case D::LASERQZ1:
    case D::LASERQZ2:
    case D::LASERQS1:
    case D::LASERQS2:
        break;
    }
    return nullptr;
}

} // namespace

SettingsWatch::SettingsWatch(link::MonitorView& view)
    : ForwardingView(view) {}

void SettingsWatch::set(const std::string& name, const std::string& value) {
    const auto it = std::find_if(m_snapshot.begin(), m_snapshot.end(),
                                 [&](const auto& entry) { return entry.first == name; });
    if (it == m_snapshot.end()) {
        m_snapshot.emplace_back(name, value);
    } else {
        it->second = value;
    }
}

std::optional<std::string> SettingsWatch::value(const char* name) const {
    for (const auto& [key, text] : m_snapshot) {
        if (key == name) {
            return text;
        }
    }
    return std::nullopt;
}

std::optional<std::string> SettingsWatch::detectorId() const {
    return value("SETID");
}

std::optional<std::string> SettingsWatch::serial() const {
    return value("SERIAL");
}

void SettingsWatch::setDisplayCaption(Display display, int index, const std::string& caption) {
    ForwardingView::setDisplayCaption(display, index, caption);
    const char* name = settingName(display);
    if (!name) {
        return;
    }
    if (display == Display::STIMEV) {
        if (index < 0 || index > 8) {
            return;
        }
        set(name + std::to_string(index), trimmed(caption));
    } else {
        set(name, trimmed(caption));
    }
}

void SettingsWatch::setSwitchValue(int index, bool on) {
    ForwardingView::setSwitchValue(index, on);
    if (index >= 0 && index <= 3 && !m_snapshot.empty()) {
        set("KEYSW" + std::to_string(index), on ? "on" : "off");
    }
}

} // namespace remote::mqtt
