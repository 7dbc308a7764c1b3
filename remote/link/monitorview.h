#pragma once

#include <cstdint>
#include <string>

namespace remote::link {

struct SettingsReadout;

// The monitor window as the link sees it: everything the link tells the window to show and
// every input field it reads when it builds a setting command. The window implements it
// with widgets; tests implement it with recorders.
//
// Texts coming from the detector (screen lines, setting displays, the hexadecimal copy)
// hold one char per device byte, and a byte stands for the character of the same code in
// Latin-1 (U+0000 to U+00FF): a window turns them into text with QString::fromLatin1 (or
// the equivalent), never as UTF-8. Control bytes (below 32, 127 to 159) are passed through;
// how a label draws them is the window's choice.
//
// Texts going to the link (input fields) are UTF-8, as typed (QString::toStdString). The
// link counts characters, not bytes, and sends a character as one byte only when its code
// is 0 to 255.
//
// Messages (refuseSave) are plain ASCII.
//
// Colours are 0x00BBGGRR, or a system colour with the top bit set that the window
// translates (0x80000005: the system window colour).
class MonitorView {
public:
    // The settings displays a settings frame fills. Indexed ones are control arrays.
    enum class Display {
        TTIME,    // index 0 to 5: year, month, day, hour, minute, second
        SETID,    // "QND-" and the identification number
        RFXTIME,  // RF transmit time
        LASERQZ1, // laser QZ reading, channel 1
        LASERQZ2, // laser QZ reading, channel 2
        LASERQS1, // laser QS reading, channel 1
        LASERQS2, // laser QS reading, channel 2
        LASERQ1,  // laser Q level, channel 1
        LASERQ2,  // laser Q level, channel 2
        LASERVV1, // laser volume, channel 1
        LASERVV2, // laser volume, channel 2
        STIMEV,   // index 0 to 8: transmit time of alarm channel i
        FREQV,    // repeat time
        SERIAL,   // serial number
    };

    // The input fields a setting command is built from.
    enum class Input {
        txtSet1,  // index 0 to 4: year (last two digits), month, day, hour, minute
        IDIN,     // identification number, 6 characters
        SERIALIN, // serial number, 8 characters
        XTIME,    // RF transmit time
        LASERCH1, // laser Q level, channel 1, as a fraction (0.5)
        LASERCH2, // laser Q level, channel 2
        LASERV1,  // laser volume, channel 1
        LASERV2,  // laser volume, channel 2
        STTIME,   // index 1 to 9: STTIME1 to STTIME9, transmit time of alarm channel i - 1
        FREQSET,  // repeat time
    };

    enum class Lamp {
        TXD, // CWButton1, lit after every byte handed to the port
        RXD, // CWButton2, lit after every accepted frame
    };

    virtual ~MonitorView() = default;

    // ---- Display mirror ----
    // BSCREEN(line).Caption, line 0 (top) to 4.
    virtual void setScreenCaption(int line, const std::string& caption) = 0;
    // BSCREEN(line).BackStyle: opaque (true) marks the line the detector highlights.
    virtual void setScreenOpaque(int line, bool opaque) = 0;
    // Text1.Text: hexadecimal copy of the last screen frame ("53 54 D ").
    virtual void setHexCopy(const std::string& text) = 0;
    // SCANMARK.Visible.
    virtual void setScanMarkVisible(bool visible) = 0;

    // ---- Lamps, alarm labels ----
    // Value of the TXD or RXD lamp.
    virtual void setLampValue(Lamp lamp, bool lit) = 0;
    // EVENTL(channel).ForeColor, channel 0 to 8.
    virtual void setEventLabelColor(int channel, std::uint32_t colour) = 0;

    // ---- Settings displays ----
    // Caption of a display; index only for TTIME and STIMEV, 0 otherwise.
    virtual void setDisplayCaption(Display display, int index, const std::string& caption) = 0;
    // After the displays of a settings frame whose checksum is good: the whole read-back at
    // once, for a view that keeps it. Nothing to show.
    virtual void settingsReadBack(const SettingsReadout& readout) { (void)readout; }

    // ---- On/off switches KEYSW(0) to KEYSW(3) ----
    virtual void setSwitchValue(int index, bool on) = 0;
    virtual bool switchValue(int index) const = 0;
    virtual void setSwitchBackColor(int index, std::uint32_t colour) = 0;

    // ---- Input fields ----
    // The text of an input field as it is now; index only for txtSet1 and STTIME, 0 otherwise.
    virtual std::string inputText(Input field, int index) const = 0;

    // A queued save could not be sent because a field holds a value that does not fit its
    // byte. The message names the field and its allowed range. Called as the last step of a
    // tick, after the link's state is settled, so a window may show it in a modal box; a
    // non-blocking box is kinder, since ticks and received bytes wait meanwhile.
    virtual void refuseSave(const std::string& message) = 0;
};

} // namespace remote::link
