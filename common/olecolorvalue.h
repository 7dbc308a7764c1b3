#pragma once

// The colour values hosts store, with no code behind them: the image-button library's
// public headers use these, so they are installed with it.

#include <cstdint>

// Colours as stored by the controls and their hosts: 0x00BBGGRR, or a system colour
// (top bit set, low bits the system-colour index) that is looked up before drawing.
namespace common {

using OleColor = std::uint32_t;

constexpr OleColor kSystemColorFlag = 0x80000000u;

constexpr OleColor systemColor(int index) {
    return kSystemColorFlag | static_cast<OleColor>(index);
}
constexpr bool isSystemColor(OleColor c) {
    return (c & kSystemColorFlag) != 0;
}

// System-colour indexes the controls name.
enum SystemColorIndex : int {
    ScrollBar = 0,
    Desktop = 1,
    ActiveCaption = 2,
    InactiveCaption = 3,
    Menu = 4,
    Window = 5,
    WindowFrame = 6,
    MenuText = 7,
    WindowText = 8,
    CaptionText = 9,
    ActiveBorder = 10,
    InactiveBorder = 11,
    AppWorkspace = 12,
    Highlight = 13,
    HighlightText = 14,
    ButtonFace = 15,
    ButtonShadow = 16,
    GrayText = 17,
    ButtonText = 18,
    InactiveCaptionText = 19,
    ButtonHighlight = 20,
    DarkShadow3D = 21,
    Light3D = 22,
    InfoText = 23,
    InfoBackground = 24,
    HotLight = 26,
    GradientActiveCaption = 27,
    GradientInactiveCaption = 28,
    MenuHighlight = 29,
    MenuBar = 30,
};

constexpr OleColor bgr(int r, int g, int b) {
    return static_cast<OleColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int redOf(OleColor c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int greenOf(OleColor c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int blueOf(OleColor c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

} // namespace common
