// Drives the protocol core with arbitrary bytes, ticks and operator events, and stops at the
// first broken invariant: counters out of their ranges, a view index out of its control
// array, bytes written outside a tick, or anything on the wire that is not one well-formed
// command with its values inside their limits.
#include "fuzzcheck.h"
#include "remote/link/monitorlink.h"
#include "remote/link/protocol.h"
#include "tests/support/deviceframes.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace remote::link;

class FuzzView : public MonitorView {
public:
    void setScreenCaption(int line, const std::string&) override { checkLine(line); }
    void setScreenOpaque(int line, bool) override { checkLine(line); }
    void setHexCopy(const std::string& text) override {
        FUZZ_CHECK(!text.empty() && text.back() == ' ');
    }
    void setScanMarkVisible(bool) override {}
    void setLampValue(Lamp lamp, bool) override {
        FUZZ_CHECK(lamp == Lamp::TXD || lamp == Lamp::RXD);
    }
    void setEventLabelColor(int channel, std::uint32_t colour) override {
        FUZZ_CHECK(channel >= 0 && channel < protocol::AlarmChannelCount);
        FUZZ_CHECK(colour == protocol::AlarmColour || colour == protocol::IdleLabelColour);
    }
    void setDisplayCaption(Display display, int index, const std::string&) override {
        const int count = display == Display::TTIME    ? 6
                          : display == Display::STIMEV ? protocol::AlarmChannelCount
                                                       : 1;
        FUZZ_CHECK(index >= 0 && index < count);
    }
    void setSwitchValue(int index, bool on) override {
        checkSwitch(index);
        switches[static_cast<std::size_t>(index)] = on;
    }
    bool switchValue(int index) const override {
        checkSwitch(index);
        return switches[static_cast<std::size_t>(index)];
    }
    void setSwitchBackColor(int index, std::uint32_t) override { checkSwitch(index); }
    std::string inputText(Input field, int index) const override {
        const bool indexed = field == Input::txtSet1 || field == Input::STTIME;
        if (field == Input::txtSet1) {
            FUZZ_CHECK(index >= 0 && index <= 4);
        } else if (field == Input::STTIME) {
            FUZZ_CHECK(index >= 1 && index <= 9);
        } else {
            FUZZ_CHECK(!indexed && index == 0);
        }
        const auto it = inputs.find({static_cast<int>(field), index});
        return it == inputs.end() ? std::string() : it->second;
    }
    void refuseSave(const std::string& message) override { FUZZ_CHECK(!message.empty()); }

    std::array<bool, 4> switches{};
    std::map<std::pair<int, int>, std::string> inputs;

private:
    static void checkLine(int line) { FUZZ_CHECK(line >= 0 && line < protocol::ScreenLineCount); }
    static void checkSwitch(int index) { FUZZ_CHECK(index >= 0 && index < protocol::SwitchCount); }
};

class CheckingPort : public LinkPort {
public:
    bool PortOpened() const override { return opened; }
    void writeByte(std::uint8_t b) override {
        FUZZ_CHECK(inTick);
        written.push_back(b);
    }

    bool opened = true;
    bool inTick = false;
    std::vector<std::uint8_t> written;
};

bool payloadIs(const std::vector<std::uint8_t>& f, std::size_t textAt, std::string_view text) {
    for (std::size_t i = 0; i < textAt; ++i) {
        if (f[i] != 0) {
            return false;
        }
    }
    return std::equal(text.begin(), text.end(), f.begin() + static_cast<std::ptrdiff_t>(textAt));
}

bool allAtMost(const std::vector<std::uint8_t>& f, std::size_t from, std::size_t to, int limit) {
    for (std::size_t i = from; i <= to; ++i) {
        if (f[i] > limit) {
            return false;
        }
    }
    return true;
}

// One tick's bytes: nothing, or one of the twelve commands, well formed, values in range.
void checkTickOutput(const std::vector<std::uint8_t>& f) {
    if (f.empty()) {
        return;
    }
    FUZZ_CHECK(f.size() == protocol::ShortFrameSize || f.size() == protocol::LongFrameSize);
    const std::size_t payload = f.size() - 2;
    const unsigned sum =
        std::accumulate(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(payload), 0u);
    FUZZ_CHECK(f[payload] == (sum & 0xFFu));
    FUZZ_CHECK(f.back() == protocol::FrameEnd);

    if (f.size() == protocol::ShortFrameSize) {
        const bool poll = payloadIs(f, 0, "REMOTE1");
        const bool key =
            payloadIs(f, 0, "KEYIN") && (f[6] == '0' || f[6] == '1') &&
            std::string_view("PWGML123456789.0ESH<>F!#$%").find(static_cast<char>(f[5])) !=
                std::string_view::npos;
        FUZZ_CHECK(poll || key);
        return;
    }
    if (payloadIs(f, 5, "SETDATA")) {
        return;
    }
    if (payloadIs(f, 2, "SAVE1") || payloadIs(f, 1, "SAVE2") || payloadIs(f, 0, "SIRN")) {
        return; // any byte is a valid date field or character
    }
    if (payloadIs(f, 5, "SAVE3")) {
        FUZZ_CHECK(f[10] <= 6 && f[11] <= 9 && f[10] * 10 + f[11] <= protocol::MaxTransmitTime);
        return;
    }
    if (payloadIs(f, 5, "SAVE4") || payloadIs(f, 5, "SAVE5")) {
        FUZZ_CHECK(allAtMost(f, 10, 11, protocol::MaxLaserSetting));
        return;
    }
    if (payloadIs(f, 0, "SV6")) {
        FUZZ_CHECK(allAtMost(f, 3, 11, protocol::MaxTransmitTime));
        return;
    }
    if (payloadIs(f, 5, "SAVE7")) {
        FUZZ_CHECK(f[10] == 0 && f[11] <= protocol::MaxRepeatTime);
        return;
    }
    if (payloadIs(f, 5, "SAVE8")) {
        FUZZ_CHECK(f[10] == 0 && f[11] <= 15);
        return;
    }
    FUZZ_CHECK(!"unknown command on the wire");
}

void checkState(const MonitorLink& link) {
    FUZZ_CHECK(link.RxPos() >= 0 && link.RxPos() <= protocol::RxPosMax);
    FUZZ_CHECK(link.FrameState() >= protocol::NoFrame &&
               link.FrameState() <= protocol::SettingsFrame);
    FUZZ_CHECK(link.PollTick() >= 0 && link.PollTick() <= protocol::SaveTick + 1);
    FUZZ_CHECK(link.PendingSave() >= 0 && link.PendingSave() <= protocol::SettingCommandCount);
    FUZZ_CHECK(link.KeyDown() <= 1);
    FUZZ_CHECK(link.ScanBlinkTicks() >= 0 && link.ScanBlinkTicks() <= protocol::ScanBlinkHoldTicks);
    FUZZ_CHECK(link.TxLampTicks() >= 0 && link.TxLampTicks() <= protocol::LampHoldTicks);
    FUZZ_CHECK(link.RxLampTicks() >= 0 && link.RxLampTicks() <= protocol::LampHoldTicks);
    for (int i = 0; i < protocol::AlarmSlotCount; ++i) {
        FUZZ_CHECK(link.AlarmTicks(i) >= 0 && link.AlarmTicks(i) <= protocol::AlarmHoldTicks);
        FUZZ_CHECK(i < protocol::AlarmChannelCount || !link.AlarmActive(i));
    }
    FUZZ_CHECK(link.DisplaySeg().size() == protocol::DisplaySegSlots);
    FUZZ_CHECK(link.DisplaySeg()[19].empty() && link.DisplaySeg()[20].empty());
}

enum Op {
    Receive,
    Tick,
    Keypad,
    Arrow,
    Loop,
    Switch,
    Save,
    TypeText,
    PortState,
    SetSwitch,
    ScreenFrame,
    SettingsFrame,
    LastOp = SettingsFrame,
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    FuzzView view;
    CheckingPort port;
    MonitorLink link(view, port);

    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange<int>(0, LastOp)) {
        case Receive: {
            const auto bytes =
                in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 64));
            link.OnReceive(bytes);
            break;
        }
        case Tick: {
            port.written.clear();
            port.inTick = true;
            link.Timer1_Timer();
            port.inTick = false;
            FUZZ_CHECK(port.opened || port.written.empty());
            checkTickOutput(port.written);
            break;
        }
        case Keypad:
            link.Button_ValueChanged(in.ConsumeIntegralInRange<int>(-2, 30), in.ConsumeBool());
            break;
        case Arrow:
            link.Button2_Click(in.ConsumeIntegralInRange<int>(-2, 30));
            break;
        case Loop:
            link.LOOPSW_ValueChanged(in.ConsumeBool());
            break;
        case Switch:
            link.KEYSW_Click(in.ConsumeIntegralInRange<int>(-2, 6));
            break;
        case Save:
            link.FREQSAVE_ValueChanged(in.ConsumeIntegralInRange<int>(-2, 11), in.ConsumeBool());
            break;
        case TypeText: {
            const int field = in.ConsumeIntegralInRange<int>(0, 9);
            const int index = in.ConsumeIntegralInRange<int>(0, 9);
            view.inputs[{field, index}] = in.ConsumeRandomLengthString(12);
            break;
        }
        case PortState:
            port.opened = in.ConsumeBool();
            break;
        case SetSwitch:
            view.switches[in.ConsumeIntegralInRange<std::size_t>(0, 3)] = in.ConsumeBool();
            break;
        case ScreenFrame: {
            const bool isLong = in.ConsumeBool();
            auto display = in.ConsumeBytes<std::uint8_t>(isLong ? 131 : 125);
            display.resize(isLong ? 131 : 125, ',');
            link.OnReceive(device::RawScreenFrame(display));
            break;
        }
        case SettingsFrame: {
            auto bytes = in.ConsumeBytes<std::uint8_t>(device::SettingsDataSize);
            bytes.resize(device::SettingsDataSize);
            std::array<std::uint8_t, device::SettingsDataSize> settings{};
            std::copy(bytes.begin(), bytes.end(), settings.begin());
            auto frame = device::SettingsFrame(settings);
            if (in.ConsumeBool()) {
                frame[in.ConsumeIntegralInRange<std::size_t>(0, frame.size() - 1)] ^= 1;
            }
            link.OnReceive(frame);
            break;
        }
        default:
            break;
        }
        checkState(link);
    }
    return 0;
}
