#include "remote/link/pollscheduler.h"

#include <algorithm>
#include <utility>
#include <variant>

namespace remote::link {

// ---- Requests ----

void PollScheduler::KeyEvent(std::uint8_t keyCode, bool down) {
    m_keyCode = keyCode;
    m_keyDown = down ? 1 : 0;
    m_keyPending = true;
}

void PollScheduler::ArrowEvent(std::uint8_t keyCode) {
    m_keyCode = keyCode;
    m_keyPending = true;
}

void PollScheduler::DropKeyEvent() {
    m_keyDown = 0;
    m_keyPending = false;
}

void PollScheduler::SetLoop(bool on) {
    m_loopOn = on;
}

void PollScheduler::JumpToSaveTick() {
    m_pollTick = protocol::SaveTick;
}

void PollScheduler::QueueSave(int pendingSave) {
    if (pendingSave >= 1 && pendingSave <= protocol::SettingCommandCount) {
        m_pendingSave = static_cast<std::int16_t>(pendingSave);
    }
}

// ---- Lamps ----

void PollScheduler::LampLit(MonitorView::Lamp lamp) {
    LampState& l = state(lamp);
    l.on = true;
    l.ticks = 0;
}

bool PollScheduler::LampStep(MonitorView::Lamp lamp) {
    LampState& l = state(lamp);
    if (!l.on) {
        return false;
    }
    if (++l.ticks > protocol::LampHoldTicks) {
        l.ticks = 0;
        l.on = false;
        return true;
    }
    return false;
}

// ---- The cycle ----

PollScheduler::Step PollScheduler::CycleStep(const MonitorView& view) {
    m_workBuffer.fill(0);

    const bool keyWaiting = m_keyPending;
    ++m_pollTick;
    if (keyWaiting) {
        m_pollTick = protocol::KeyTick;
    }

    Step step;
    if (m_pollTick == protocol::KeyTick) {
        // A waiting key holds the cycle here until polling is switched on.
        if (!m_loopOn) {
            return step;
        }
        if (keyWaiting) {
            m_keyPending = false;
            step.frame = KeyCommand(m_keyCode, m_keyDown != 0);
        } else {
            step.frame = PollCommand();
        }
    } else if (m_pollTick >= protocol::SaveTick) {
        step = settingStep(view);
    }

    if (step.frame) {
        const auto bytes = step.frame->bytes();
        std::copy(bytes.begin(), bytes.end(), m_workBuffer.begin());
    }
    return step;
}

PollScheduler::Step PollScheduler::settingStep(const MonitorView& view) {
    const int s = m_pendingSave;
    m_pollTick = 0;
    m_pendingSave = 0;

    Step step;
    if (s >= 1 && s <= protocol::SettingCommandCount) {
        auto built = BuildSettingCommand(s, view);
        if (auto* frame = std::get_if<CommandFrame>(&built)) {
            m_readBackDue = true;
            step.frame = *frame;
            return step;
        }
        step.refused = std::get<SaveRefusal>(std::move(built));
    }

    // Nothing (sendable) queued: the regular read-back, or the one owed to a setting
    // command sent earlier while polling is off. A refused save counts as nothing queued.
    if (m_loopOn || m_readBackDue) {
        m_readBackDue = false;
        step.frame = ReadSettingsCommand();
    }
    return step;
}

} // namespace remote::link
