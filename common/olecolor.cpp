#include "olecolor.h"

#include <array>

namespace common {

namespace {

// Fixed desktop colours, so drawings are the same on every machine and in every test.
constexpr std::array<std::optional<OleColor>, 31> kSystemColors = {
    bgr(212, 208, 200), // 0 scroll bar
    bgr(0, 78, 152),    // 1 desktop
    bgr(0, 84, 227),    // 2 active caption
    bgr(122, 150, 223), // 3 inactive caption
    bgr(255, 255, 255), // 4 menu
    bgr(255, 255, 255), // 5 window
    bgr(0, 0, 0),       // 6 window frame
    bgr(0, 0, 0),       // 7 menu text
    bgr(0, 0, 0),       // 8 window text
    bgr(255, 255, 255), // 9 caption text
    bgr(212, 208, 200), // 10 active border
    bgr(212, 208, 200), // 11 inactive border
    bgr(128, 128, 128), // 12 application workspace
    bgr(49, 106, 197),  // 13 highlight
    bgr(255, 255, 255), // 14 highlight text
    bgr(236, 233, 216), // 15 button face
    bgr(172, 168, 153), // 16 button shadow
    bgr(172, 168, 153), // 17 grey text
    bgr(0, 0, 0),       // 18 button text
    bgr(216, 228, 248), // 19 inactive caption text
    bgr(255, 255, 255), // 20 button highlight
    bgr(113, 111, 100), // 21 3-D dark shadow
    bgr(241, 239, 226), // 22 3-D light
    bgr(0, 0, 0),       // 23 tooltip text
    bgr(255, 255, 225), // 24 tooltip background
    std::nullopt,       // 25 unused
    bgr(0, 0, 128),     // 26 hot-tracked item
    bgr(61, 149, 255),  // 27 gradient of the active caption
    bgr(157, 185, 235), // 28 gradient of the inactive caption
    bgr(49, 106, 197),  // 29 menu highlight
    bgr(236, 233, 216), // 30 menu bar
};

} // namespace

std::optional<OleColor> translateOleColor(OleColor c) {
    if (isSystemColor(c)) {
        const OleColor index = c & ~kSystemColorFlag;
        if (index >= kSystemColors.size()) {
            return std::nullopt;
        }
        return kSystemColors[index];
    }
    if ((c & 0xFF000000u) != 0) {
        return std::nullopt;
    }
    return c;
}

QColor toQColor(OleColor c) {
    const OleColor plain = translateOleColor(c).value_or(0);
    return QColor(redOf(plain), greenOf(plain), blueOf(plain));
}

OleColor fromQColor(const QColor& c) {
    return bgr(c.red(), c.green(), c.blue());
}

} // namespace common
