#pragma once

#include "remote/link/linkport.h"
#include "remote/link/monitorlink.h"
#include "remote/link/monitorview.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace linktest {

using remote::link::MonitorView;

// Records everything the link shows and answers input fields from a map that starts with
// the window's designed texts.
class RecordingView : public MonitorView {
public:
    RecordingView() {
        inputs[{Input::LASERCH1, 0}] = "0.5";
        inputs[{Input::LASERCH2, 0}] = "0.5";
        inputs[{Input::LASERV1, 0}] = "60";
        inputs[{Input::LASERV2, 0}] = "60";
        const std::array<const char*, 9> times{"14", "30", "60", "60", "5", "5", "10", "30", "30"};
        for (int k = 1; k <= 9; ++k) {
            inputs[{Input::STTIME, k}] = times[static_cast<std::size_t>(k - 1)];
        }
        inputs[{Input::FREQSET, 0}] = "24";
    }

    void setScreenCaption(int line, const std::string& caption) override {
        screenWrites.emplace_back(line, caption);
        screen.at(static_cast<std::size_t>(line)) = caption;
    }
    void setScreenOpaque(int line, bool opaque) override {
        opaqueWrites.emplace_back(line, opaque);
        this->opaque.at(static_cast<std::size_t>(line)) = opaque;
    }
    void setHexCopy(const std::string& text) override {
        hexCopy = text;
        ++hexCopyWrites;
    }
    void setScanMarkVisible(bool visible) override { scanMarkVisible = visible; }
    void setLampValue(Lamp lamp, bool lit) override {
        lamps.at(static_cast<std::size_t>(lamp)) = lit;
    }
    void setEventLabelColor(int channel, std::uint32_t colour) override {
        eventColour.at(static_cast<std::size_t>(channel)) = colour;
    }
    void setDisplayCaption(Display display, int index, const std::string& caption) override {
        displays[{display, index}] = caption;
        displayWrites.emplace_back(display, index);
    }
    void setSwitchValue(int index, bool on) override {
        switches.at(static_cast<std::size_t>(index)) = on;
        ++switchWrites;
    }
    bool switchValue(int index) const override {
        return switches.at(static_cast<std::size_t>(index));
    }
    void setSwitchBackColor(int index, std::uint32_t colour) override {
        switchColour.at(static_cast<std::size_t>(index)) = colour;
    }
    std::string inputText(Input field, int index) const override {
        const auto it = inputs.find({field, index});
        return it == inputs.end() ? std::string() : it->second;
    }
    void refuseSave(const std::string& message) override { refusals.push_back(message); }

    bool txd() const { return lamps[0]; }
    bool rxd() const { return lamps[1]; }
    std::string display(Display d, int index = 0) const {
        const auto it = displays.find({d, index});
        return it == displays.end() ? std::string("<unset>") : it->second;
    }

    std::array<std::string, 5> screen;
    std::array<bool, 5> opaque{};
    std::vector<std::pair<int, std::string>> screenWrites;
    std::vector<std::pair<int, bool>> opaqueWrites;
    std::string hexCopy;
    int hexCopyWrites = 0;
    bool scanMarkVisible = false;
    std::array<bool, 2> lamps{};
    std::array<std::uint32_t, 9> eventColour{};
    std::map<std::pair<Display, int>, std::string> displays;
    std::vector<std::pair<Display, int>> displayWrites;
    std::array<bool, 4> switches{};
    int switchWrites = 0;
    std::array<std::uint32_t, 4> switchColour{};
    std::map<std::pair<Input, int>, std::string> inputs;
    std::vector<std::string> refusals;
};

class RecordingPort : public remote::link::LinkPort {
public:
    bool PortOpened() const override { return opened; }
    void writeByte(std::uint8_t b) override {
        written.push_back(b);
        // The line goes away after so many bytes, as an unplugged adapter does.
        if (closeAfter && written.size() >= *closeAfter) {
            opened = false;
        }
    }

    bool opened = true;
    std::optional<std::size_t> closeAfter; // bytes written before the line closes
    std::vector<std::uint8_t> written;
};

// "52 45 4D" -> {0x52, 0x45, 0x4D}
inline std::vector<std::uint8_t> hexBytes(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::uint8_t> out;
    unsigned v = 0;
    while (in >> std::hex >> v) {
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

inline std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

// A link wired to recorders, with helpers to feed bytes and run ticks.
struct LinkHarness {
    RecordingView view;
    RecordingPort port;
    remote::link::MonitorLink link{view, port};

    void feed(const std::vector<std::uint8_t>& bytes) { link.OnReceive(bytes); }
    void feed(const std::string& text) { feed(bytesOf(text)); }

    // Runs one tick and returns the bytes written during it.
    std::vector<std::uint8_t> tick() {
        const std::size_t before = port.written.size();
        link.Timer1_Timer();
        return {port.written.begin() + static_cast<std::ptrdiff_t>(before), port.written.end()};
    }

    // Runs n ticks; entry t - 1 holds what tick t wrote.
    std::vector<std::vector<std::uint8_t>> ticks(int n) {
        std::vector<std::vector<std::uint8_t>> out;
        for (int i = 0; i < n; ++i) {
            out.push_back(tick());
        }
        return out;
    }
};

} // namespace linktest
