#include "remote/link/displaymirror.h"

#include "remote/link/monitorview.h"

#include <string_view>

namespace remote::link {

namespace {

constexpr std::string_view HighlightMarker = "****************";
constexpr std::string_view SpecialLineMarker = "Close Call      ";

struct PhraseRewrite {
    std::string_view from;
    std::string_view to;
};
constexpr std::array<PhraseRewrite, 2> PhraseRewrites{{
    {"Close Call", "TSCM Event"},
    {"CC Found! ", "TSCM !    "},
}};

constexpr int FirstRewrittenField = 1;
constexpr int LastRewrittenField = 5;
constexpr int ShortFrameLastField = 6; // fields 1 to 6 may carry lines and a marker

} // namespace

void WriteHexCopy(std::span<const std::uint8_t> frame, std::string& out) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    out.resize(frame.size() * 3);
    char* p = out.data();
    for (const std::uint8_t b : frame) {
        if (b >= 16) {
            *p++ = Digits[b >> 4];
        }
        *p++ = Digits[b & 0xF];
        *p++ = ' ';
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

void CutIntoFields(std::span<const std::uint8_t> frame, bool longFrame,
                   std::span<std::string, protocol::DisplaySegSlots> fields) {
    std::size_t m = 0;
    std::size_t j = 0;
    while (j < frame.size()) {
        if (frame[j] == ',') {
            ++j;
            continue;
        }
        // A run of text: after a comma it opens the next field; a "Close Call      " field
        // before it makes it a special-character line in long frames.
        bool special = false;
        if (j > 0) {
            special = longFrame && fields[m] == SpecialLineMarker;
            if (m < static_cast<std::size_t>(protocol::LastField)) {
                ++m;
            }
        }
        std::size_t end = j;
        while (end < frame.size() && frame[end] != ',') {
            ++end;
        }
        std::string& field = fields[m];
        const std::size_t at = field.size();
        field.append(reinterpret_cast<const char*>(frame.data() + j), end - j);
        if (special) {
            for (std::size_t k = at; k < field.size(); ++k) {
                if (static_cast<unsigned char>(field[k]) < 32) {
                    field[k] = static_cast<char>(field[k] + protocol::SpecialCharOffset);
                }
            }
        }
        j = end;
    }
}

void RewritePhrases(std::string& field) {
    for (const auto& r : PhraseRewrites) {
        const std::size_t at = field.find(r.from);
        if (at != std::string::npos) {
            field.replace(at, r.from.size(), r.to);
        }
    }
}

void DisplayMirror::DecodeScreenFrame(std::span<const std::uint8_t> frame, MonitorView& view) {
    const bool longFrame = frame.size() == protocol::LongScreenFrameSize;
    if (!longFrame && frame.size() != protocol::ShortScreenFrameSize) {
        return;
    }
    m_scanning = longFrame;

    WriteHexCopy(frame, m_hexCopy);
    view.setHexCopy(m_hexCopy);

    for (auto& seg : m_displaySeg) {
        seg.clear();
    }
    CutIntoFields(frame, longFrame, m_displaySeg);
    for (int d = FirstRewrittenField; d <= LastRewrittenField; ++d) {
        RewritePhrases(m_displaySeg[static_cast<std::size_t>(d)]);
    }

    if (longFrame) {
        showLongFrame(view);
    } else {
        showShortFrame(view);
    }
}

void DisplayMirror::showShortFrame(MonitorView& view) {
    int line = 0;
    for (int d = 1; d <= ShortFrameLastField; ++d) {
        const std::string& field = m_displaySeg[static_cast<std::size_t>(d)];
        if (field == HighlightMarker) {
            // The marker highlights the line shown before it; with none before it there is
            // nothing to highlight.
            if (line > 0) {
                view.setScreenOpaque(line - 1, true);
            }
            continue;
        }
        // A sixth line lands on the last one.
        if (line > protocol::ScreenLineCount - 1) {
            line = protocol::ScreenLineCount - 1;
        }
        view.setScreenCaption(line, field);
        view.setScreenOpaque(line, false);
        ++line;
    }
}

void DisplayMirror::showLongFrame(MonitorView& view) {
    for (int d = 1; d <= protocol::ScreenLineCount; ++d) {
        view.setScreenCaption(d - 1, m_displaySeg[static_cast<std::size_t>(d)]);
        view.setScreenOpaque(d - 1, false);
    }
}

void DisplayMirror::ScanBlinkStep(MonitorView& view) {
    if (!m_scanning) {
        view.setScanMarkVisible(false);
        return;
    }
    if (++m_scanBlinkTicks > protocol::ScanBlinkHoldTicks) {
        m_scanBlinkTicks = 0;
        m_scanBlinkOn = !m_scanBlinkOn;
        view.setScanMarkVisible(m_scanBlinkOn);
    }
}

} // namespace remote::link
