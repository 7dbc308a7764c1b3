#include "remote/link/monitorlink.h"

#include "remote/link/settingcommands.h"
#include "remote/link/settingsframe.h"

#include <optional>

namespace remote::link {

namespace {

constexpr int UpKeyIndex = 24;   // keypad "UP": sent on press only
constexpr int DownKeyIndex = 25; // keypad "DN": sent on press only
constexpr int SwitchSaveIndex = 7;
constexpr int IdSaveIndex = 1;
constexpr int SerialSaveIndex = 8;

} // namespace

MonitorLink::MonitorLink(MonitorView& view, LinkPort& port)
    : m_view(view)
    , m_port(port) {}

// ---- Receiving ----

void MonitorLink::OnReceive(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ReceiveParser::Progress p = m_parser.push(bytes, m_alarms);
        bytes = bytes.subspan(p.used);
        switch (p.completed) {
        case ReceiveParser::Completed::None:
            break;
        case ReceiveParser::Completed::ShortScreen:
            DecodeScreenFrame(protocol::ShortScreenFrameSize);
            LightLamp(MonitorView::Lamp::RXD);
            break;
        case ReceiveParser::Completed::LongScreen:
            DecodeScreenFrame(protocol::LongScreenFrameSize);
            LightLamp(MonitorView::Lamp::RXD);
            break;
        case ReceiveParser::Completed::Settings:
            DecodeSettingsFrame();
            break;
        }
    }
}

void MonitorLink::DecodeScreenFrame(int length) {
    m_mirror.DecodeScreenFrame(m_parser.RxBuf().first(static_cast<std::size_t>(length)), m_view);
}

void MonitorLink::DecodeSettingsFrame() {
    const auto frame = m_parser.RxBuf().first<protocol::SettingsFrameSize>();
    const std::optional<SettingsReadout> r = ReadSettingsFrame(frame);
    if (!r) {
        m_parser.RejectFrame();
        return;
    }
    using D = MonitorView::Display;
    for (std::size_t i = 0; i < r->TTIME.size(); ++i) {
        m_view.setDisplayCaption(D::TTIME, static_cast<int>(i), r->TTIME[i]);
    }
    m_view.setDisplayCaption(D::SETID, 0, r->SETID);
    m_view.setDisplayCaption(D::RFXTIME, 0, r->RFXTIME);
    m_view.setDisplayCaption(D::LASERQZ1, 0, r->LASERQZ1);
    m_view.setDisplayCaption(D::LASERQZ2, 0, r->LASERQZ2);
    m_view.setDisplayCaption(D::LASERQS1, 0, r->LASERQS1);
    m_view.setDisplayCaption(D::LASERQS2, 0, r->LASERQS2);
    m_view.setDisplayCaption(D::LASERQ1, 0, r->LASERQ1);
    m_view.setDisplayCaption(D::LASERQ2, 0, r->LASERQ2);
    m_view.setDisplayCaption(D::LASERVV1, 0, r->LASERVV1);
    m_view.setDisplayCaption(D::LASERVV2, 0, r->LASERVV2);
    for (std::size_t i = 0; i < r->STIMEV.size(); ++i) {
        m_view.setDisplayCaption(D::STIMEV, static_cast<int>(i), r->STIMEV[i]);
    }
    m_view.setDisplayCaption(D::FREQV, 0, r->FREQV);
    // The operator's unsaved switch positions win over the detector's.
    if (!m_switchesEdited) {
        for (int k = 0; k < protocol::SwitchCount; ++k) {
            m_view.setSwitchValue(k, (r->switchBits >> k) & 1u);
        }
    }
    m_view.setDisplayCaption(D::SERIAL, 0, r->SERIAL);
    m_view.settingsReadBack(*r);
    LightLamp(MonitorView::Lamp::RXD);
}

// ---- Sending ----

void MonitorLink::SendText(std::span<const std::uint8_t> bytes) {
    if (!m_port.PortOpened()) {
        return;
    }
    for (const std::uint8_t b : bytes) {
        m_port.writeByte(b);
    }
}

void MonitorLink::SendFrame(const CommandFrame& frame) {
    const auto bytes = frame.bytes();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        SendText(bytes.subspan(i, 1));
        LightLamp(MonitorView::Lamp::TXD);
    }
}

void MonitorLink::LightLamp(MonitorView::Lamp lamp) {
    m_view.setLampValue(lamp, true);
    m_scheduler.LampLit(lamp);
}

// ---- The tick ----

void MonitorLink::Timer1_Timer() {
    m_alarms.FadeStep(m_view);
    m_mirror.ScanBlinkStep(m_view);
    for (const auto lamp : {MonitorView::Lamp::TXD, MonitorView::Lamp::RXD}) {
        if (m_scheduler.LampStep(lamp)) {
            m_view.setLampValue(lamp, false);
        }
    }
    // The scheduler's state is settled before a byte goes out or a box is shown.
    const PollScheduler::Step step = m_scheduler.CycleStep(m_view);
    if (step.frame) {
        SendFrame(*step.frame);
    }
    if (step.refused) {
        m_view.refuseSave(step.refused->message);
    }
    // Bytes dropped from here on count for the next tick's alarms.
    m_parser.Tick();
}

// ---- Operator requests ----

void MonitorLink::Button_ValueChanged(int index, bool value) {
    const std::optional<std::uint8_t> key = KeypadKey(index);
    if (!key) {
        return;
    }
    if (!value && (index == UpKeyIndex || index == DownKeyIndex)) {
        // The release of these two keys is never sent.
        m_scheduler.DropKeyEvent();
        return;
    }
    m_scheduler.KeyEvent(*key, value);
}

void MonitorLink::Button2_Click(int index) {
    const std::optional<std::uint8_t> key = ArrowKey(index);
    if (!key) {
        return;
    }
    m_scheduler.ArrowEvent(*key);
}

void MonitorLink::LOOPSW_ValueChanged(bool value) {
    m_scheduler.SetLoop(value);
}

void MonitorLink::KEYSW_Click(int index) {
    if (index < 0 || index >= protocol::SwitchCount) {
        return;
    }
    m_view.setSwitchBackColor(index, protocol::EditedSwitchColour);
    m_switchesEdited = true;
}

void MonitorLink::FREQSAVE_ValueChanged(int index, bool value) {
    if (!value || index < 0 || index >= protocol::SettingCommandCount) {
        return;
    }
    m_scheduler.JumpToSaveTick();

    if (index == IdSaveIndex &&
        CharacterCount(m_view.inputText(MonitorView::Input::IDIN, 0)) != protocol::IdLength) {
        return;
    }
    if (index == SerialSaveIndex && CharacterCount(m_view.inputText(MonitorView::Input::SERIALIN,
                                                                    0)) != protocol::SerialLength) {
        return;
    }
    m_scheduler.QueueSave(index + 1);
    if (index == SwitchSaveIndex) {
        m_switchesEdited = false;
        for (int k = 0; k < protocol::SwitchCount; ++k) {
            m_view.setSwitchBackColor(k, protocol::SystemWindowColour);
        }
    }
}

} // namespace remote::link
