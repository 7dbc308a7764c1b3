#pragma once

#include "remote/link/protocol.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace remote::link {

class MonitorView;

// Mirrors the detector's five-line display from screen frames and blinks the scan mark while
// the detector scans (it sends long frames then).
class DisplayMirror {
public:
    // A complete screen frame: 126 (short) or 132 (long) bytes, the last one 13. Other
    // lengths are not screen frames and are ignored.
    void DecodeScreenFrame(std::span<const std::uint8_t> frame, MonitorView& view);

    // Once per tick.
    void ScanBlinkStep(MonitorView& view);

    std::span<const std::string> DisplaySeg() const { return m_displaySeg; }
    bool Scanning() const { return m_scanning; }
    bool ScanBlinkOn() const { return m_scanBlinkOn; }
    int ScanBlinkTicks() const { return m_scanBlinkTicks; }

private:
    void showShortFrame(MonitorView& view);
    void showLongFrame(MonitorView& view);

    std::array<std::string, protocol::DisplaySegSlots> m_displaySeg;
    bool m_scanning = false;
    bool m_scanBlinkOn = false;
    std::int16_t m_scanBlinkTicks = 0;
    std::string m_hexCopy; // kept to reuse its storage
};

// The pieces of a screen decode, usable on their own.

// Each byte in upper-case hexadecimal without leading zero, then one space: {0, 10, 255}
// gives "0 A FF ".
void WriteHexCopy(std::span<const std::uint8_t> frame, std::string& out);

// Cuts a frame into fields at runs of commas: field 0 is the text before the first comma,
// field k the text after the k-th run; the rest runs into field 18. In a long frame the
// field after a "Close Call      " field is a special-character line, whose control bytes
// are shown as the byte + 24. Fields must be empty on entry.
void CutIntoFields(std::span<const std::uint8_t> frame, bool longFrame,
                   std::span<std::string, protocol::DisplaySegSlots> fields);

// The detector's own phrases for a close call, rewritten in place (same length).
void RewritePhrases(std::string& field);

} // namespace remote::link
