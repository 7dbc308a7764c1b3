#pragma once

#include "remote/link/monitorview.h"

#include <QString>

#include <array>
#include <cstddef>
#include <map>
#include <span>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace remote::controls {
class HexCopy;
class InstrumentLamp;
class ScanMark;
class ScreenLine;
class SlideSwitch;
class ToggleSwitch;
class XP_ProgressBar;
} // namespace remote::controls

namespace remote::startup {

// The controls of the monitor window, under the names the detector's own terms give them.
// Control arrays are indexed as the window's handlers index them (Button and Button2 by
// their key numbers). Every control carries its name as object name and accessible
// description (arrays as NAME_i; STTIME1 to STTIME9 as named), and labels carry their text
// as accessible name, so screen readers and outside test tools find them.
struct MonitorPanels {
    // Top strip.
    QLabel* Label1 = nullptr;
    remote::controls::InstrumentLamp* CWButton1 = nullptr; // "TXD"
    remote::controls::InstrumentLamp* CWButton2 = nullptr; // "RXD"

    // Display mirror.
    std::array<remote::controls::ScreenLine*, 5> BSCREEN{};
    remote::controls::HexCopy* Text1 = nullptr;
    remote::controls::ScanMark* SCANMARK = nullptr;
    remote::controls::XP_ProgressBar* XP_ProgressBar1 = nullptr;

    // Alarm channels and their transmit times.
    std::array<QLabel*, 9> EVENTL{};
    std::array<QLabel*, 9> STIMEV{};
    std::array<QLineEdit*, 9> STTIME{}; // STTIME1 to STTIME9 at 0 to 8

    // Settings read back.
    std::array<QLabel*, 6> TTIME{};
    QLabel* SETID = nullptr;
    QLabel* SERIAL = nullptr;
    QLabel* RFXTIME = nullptr;
    QLabel* LASERQZ1 = nullptr;
    QLabel* LASERQZ2 = nullptr;
    QLabel* LASERQS1 = nullptr;
    QLabel* LASERQS2 = nullptr;
    QLabel* LASERQ1 = nullptr;
    QLabel* LASERQ2 = nullptr;
    QLabel* LASERVV1 = nullptr;
    QLabel* LASERVV2 = nullptr;
    QLabel* FREQV = nullptr;

    // Settings entry.
    std::array<QLineEdit*, 5> txtSet1{};
    QLineEdit* IDIN = nullptr;
    QLineEdit* SERIALIN = nullptr;
    QLineEdit* XTIME = nullptr;
    QLineEdit* LASERCH1 = nullptr;
    QLineEdit* LASERCH2 = nullptr;
    QLineEdit* LASERV1 = nullptr;
    QLineEdit* LASERV2 = nullptr;
    QLineEdit* FREQSET = nullptr;
    std::array<QPushButton*, 9> FREQSAVE{};

    // Keypad and switches.
    std::map<int, QPushButton*> Button;  // 1 to 19, 24 to 26
    std::map<int, QPushButton*> Button2; // 20 to 23
    remote::controls::SlideSwitch* LOOPSW = nullptr;
    std::array<remote::controls::ToggleSwitch*, 4> KEYSW{};

    using Display = remote::link::MonitorView::Display;
    using Input = remote::link::MonitorView::Input;

    // Builds every control into one central widget of parent.
    QWidget* build(QWidget* parent);

    // The control that shows a display or holds an input field the link names; index only
    // for a control array (TTIME, STIMEV, txtSet1, STTIME from 1). Null for an index the
    // array does not have, and before build().
    QLabel* displayLabel(Display display, int index) const;
    QLineEdit* inputField(Input field, int index) const;

    // Sets a label's text and the accessible name that mirrors it.
    static void setCaption(QLabel* label, const QString& text);
    static void setCaption(remote::controls::ScreenLine* line, const QString& text);

    static constexpr unsigned kDisplayTextColour = 0x00C00000; // dark blue, 0x00BBGGRR
    static constexpr unsigned kQsTextColour = 0x000000C0;      // dark red
    static constexpr unsigned kHighlightBack = 0x00C0FFFF;     // light yellow
    static constexpr unsigned kPanelBack = 0x00CAD9D9;

private:
    // One control, or a control array whose first control has the index first.
    template <typename W>
    struct Lookup {
        std::vector<W*> widgets;
        int first = 0;
        bool indexed = false;

        W* at(int index) const {
            if (!indexed) {
                return widgets.empty() ? nullptr : widgets.front();
            }
            const int slot = index - first;
            return slot >= 0 && slot < static_cast<int>(widgets.size())
                       ? widgets[static_cast<std::size_t>(slot)]
                       : nullptr;
        }
    };
    static constexpr std::size_t kDisplays = static_cast<std::size_t>(Display::SERIAL) + 1;
    static constexpr std::size_t kInputs = static_cast<std::size_t>(Input::FREQSET) + 1;

    void bindDisplay(Display display, QLabel* label);
    void bindDisplay(Display display, std::span<QLabel* const> labels);
    void bindInput(Input field, QLineEdit* edit);
    void bindInput(Input field, std::span<QLineEdit* const> edits, int first = 0);

    QGroupBox* buildDisplayGroup(QWidget* parent);
    QGroupBox* buildKeypadGroup(QWidget* parent);
    QGroupBox* buildAlarmGroup(QWidget* parent);
    QGroupBox* buildSwitchGroup(QWidget* parent);
    QGroupBox* buildReadBackGroup(QWidget* parent);
    QGroupBox* buildEntryGroup(QWidget* parent);
    QWidget* buildTopStrip(QWidget* parent);
    void buildSaveButtons(QWidget* parent);
    void fixDisplaySizes();

    // Filled where the controls are made; the last enumerators size them.
    std::array<Lookup<QLabel>, kDisplays> m_displays{};
    std::array<Lookup<QLineEdit>, kInputs> m_inputs{};
};

} // namespace remote::startup
