#pragma once

#include "remote/link/alarmchannels.h"
#include "remote/link/commandframe.h"
#include "remote/link/displaymirror.h"
#include "remote/link/linkport.h"
#include "remote/link/monitorview.h"
#include "remote/link/pollscheduler.h"
#include "remote/link/protocol.h"
#include "remote/link/receiveparser.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace remote::link {

// The monitor window's protocol side: every byte in and out, every counter, every request.
// The window feeds it received bytes, timer ticks and operator events; it answers through
// the view and the port. Single-threaded: all calls come from the window's thread.
class MonitorLink {
public:
    MonitorLink(MonitorView& view, LinkPort& port);
    MonitorLink(const MonitorLink&) = delete;
    MonitorLink& operator=(const MonitorLink&) = delete;

    // ---- Events ----
    // The bytes waiting at one receive event, in arrival order.
    void OnReceive(std::span<const std::uint8_t> bytes);
    // The 100 ms tick: the only place that sends.
    void Timer1_Timer();
    // Keypad Button(index), indexes 1 to 19 and 24 to 26; value true while held down.
    void Button_ValueChanged(int index, bool value);
    // Volume and squelch arrows Button2(index), indexes 20 to 23.
    void Button2_Click(int index);
    // The loop switch: polling on or off.
    void LOOPSW_ValueChanged(bool value);
    // The operator flipped on/off switch KEYSW(index), 0 to 3.
    void KEYSW_Click(int index);
    // Save button FREQSAVE(index), 0 to 8; only the press (value true) acts.
    void FREQSAVE_ValueChanged(int index, bool value);

    // ---- State, for the window and for tests ----
    int RxPos() const { return m_parser.RxPos(); }
    std::span<const std::uint8_t> RxBuf() const { return m_parser.RxBuf(); }
    std::array<std::uint8_t, 4> SyncWindow() const { return m_parser.SyncWindow(); }
    protocol::FrameState FrameState() const { return m_parser.FrameState(); }

    std::span<const std::string> DisplaySeg() const { return m_mirror.DisplaySeg(); }
    bool Scanning() const { return m_mirror.Scanning(); }
    bool ScanBlinkOn() const { return m_mirror.ScanBlinkOn(); }
    int ScanBlinkTicks() const { return m_mirror.ScanBlinkTicks(); }

    // The bytes the receive parser dropped in about the last two seconds (this tick and
    // the kNoiseTicks before it): line noise around an alarm.
    static constexpr int kNoiseTicks = 20;
    std::uint32_t DroppedBytesRecently() const { return m_parser.DroppedInLastTicks(kNoiseTicks); }
    std::uint64_t DroppedBytes() const { return m_parser.DroppedBytes(); }

    bool AlarmActive(int channel) const { return m_alarms.AlarmActive(channel); }
    int AlarmTicks(int channel) const { return m_alarms.AlarmTicks(channel); }

    bool TxLampOn() const { return m_scheduler.LampOn(MonitorView::Lamp::TXD); }
    int TxLampTicks() const { return m_scheduler.LampTicks(MonitorView::Lamp::TXD); }
    bool RxLampOn() const { return m_scheduler.LampOn(MonitorView::Lamp::RXD); }
    int RxLampTicks() const { return m_scheduler.LampTicks(MonitorView::Lamp::RXD); }

    int PollTick() const { return m_scheduler.PollTick(); }
    bool KeyPending() const { return m_scheduler.KeyPending(); }
    std::uint8_t KeyCode() const { return m_scheduler.KeyCode(); }
    std::uint8_t KeyDown() const { return m_scheduler.KeyDown(); }
    int PendingSave() const { return m_scheduler.PendingSave(); }
    bool LoopOn() const { return m_scheduler.LoopOn(); }
    bool ReadBackDue() const { return m_scheduler.ReadBackDue(); }
    bool SwitchesEdited() const { return m_switchesEdited; }
    // The 21 slots the last tick built its frame in (all 0 when it sent nothing).
    std::span<const std::int16_t> WorkBuffer() const { return m_scheduler.WorkBuffer(); }

private:
    void DecodeScreenFrame(int length);
    void DecodeSettingsFrame();

    // ---- Sending ----
    // Writes the bytes one by one while the port is open; drops them otherwise.
    void SendText(std::span<const std::uint8_t> bytes);
    // Hands each byte of the frame to SendText, lighting the transmit lamp after each.
    void SendFrame(const CommandFrame& frame);
    // Lights a lamp; the tick puts it out two ticks later.
    void LightLamp(MonitorView::Lamp lamp);

    MonitorView& m_view;
    LinkPort& m_port;

    ReceiveParser m_parser;
    DisplayMirror m_mirror;
    AlarmChannels m_alarms;
    PollScheduler m_scheduler;
    bool m_switchesEdited = false;
};

} // namespace remote::link
