#pragma once

#include "remote/link/commandframe.h"
#include "remote/link/monitorview.h"
#include "remote/link/protocol.h"
#include "remote/link/settingcommands.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace remote::link {

// When the link sends what: the four-tick cycle of Timer1 (a key event or the poll on tick
// 2, a setting command or the read-settings command on tick 4), the requests operator
// actions leave for it, and how long the activity lamps stay lit. It decides and builds
// the frames; the link writes them and drives the lamps on the view.
class PollScheduler {
public:
    // What one cycle step sends, and a queued save that could not be built.
    struct Step {
        std::optional<CommandFrame> frame;
        std::optional<SaveRefusal> refused;
    };

    // ---- Requests, picked up by the next tick ----
    // A keypad key pressed or released; a later event before the tick replaces it.
    void KeyEvent(std::uint8_t keyCode, bool down);
    // A volume or squelch arrow: sent with the key state the last keypad event left.
    void ArrowEvent(std::uint8_t keyCode);
    // The release of a key that is sent on press only: a waiting event is taken back and
    // the key state becomes "released".
    void DropKeyEvent();
    void SetLoop(bool on);
    // A save button: the next tick runs the setting step, unless a key event waits.
    void JumpToSaveTick();
    // Setting command 1 to 9 for the next setting step; replaces one queued earlier.
    void QueueSave(int pendingSave);

    // ---- Lamps ----
    // The lamp was lit: its hold time starts over.
    void LampLit(MonitorView::Lamp lamp);
    // One tick of a lit lamp's hold time; true when it goes dark now.
    bool LampStep(MonitorView::Lamp lamp);

    // ---- The cycle ----
    // One tick: clears the work buffer, advances PollTick and, on the key or the setting
    // tick, picks the frame to send and leaves it in the work buffer. A setting command is
    // built from the view's input fields as they are now.
    Step CycleStep(const MonitorView& view);

    // ---- State ----
    int PollTick() const { return m_pollTick; }
    bool KeyPending() const { return m_keyPending; }
    std::uint8_t KeyCode() const { return m_keyCode; }
    std::uint8_t KeyDown() const { return m_keyDown; }
    int PendingSave() const { return m_pendingSave; }
    bool LoopOn() const { return m_loopOn; }
    bool ReadBackDue() const { return m_readBackDue; }
    bool LampOn(MonitorView::Lamp lamp) const { return state(lamp).on; }
    int LampTicks(MonitorView::Lamp lamp) const { return state(lamp).ticks; }
    // The slots the last tick built its frame in (all 0 when it sent nothing).
    std::span<const std::int16_t> WorkBuffer() const { return m_workBuffer; }

private:
    struct LampState {
        bool on = false;
        std::int16_t ticks = 0;
    };

    Step settingStep(const MonitorView& view);
    LampState& state(MonitorView::Lamp lamp) { return m_lamps[static_cast<std::size_t>(lamp)]; }
    const LampState& state(MonitorView::Lamp lamp) const {
        return m_lamps[static_cast<std::size_t>(lamp)];
    }

    std::int16_t m_pollTick = 0;
    bool m_keyPending = false;
    std::uint8_t m_keyCode = 0;
    std::uint8_t m_keyDown = 0;
    std::int16_t m_pendingSave = 0;
    bool m_loopOn = false;
    bool m_readBackDue = false;
    std::array<LampState, 2> m_lamps{};
    std::array<std::int16_t, protocol::WorkBufferSlots> m_workBuffer{};
};

} // namespace remote::link
