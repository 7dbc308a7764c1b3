#include "alpha.h"

#include "common/numeric.h"

namespace torvelbutton {

qint32 OleColorToRgb(common::OleColor color, quintptr /*palette*/) {
    const auto plain = common::translateOleColor(color);
    return plain ? static_cast<qint32>(*plain) : -1;
}

std::optional<int> tintAlpha(int percent) {
    // 2.55 is the nearest double, a little below 2.55; the product then rounds as the
    // table of telling values says (10 -> 229, 50 -> 128).
    const auto n = common::roundToInt32(percent * 2.55);
    if (!n) {
        return std::nullopt;
    }
    const int a = 255 - *n;
    if (a < 0 || a > 255) {
        return std::nullopt;
    }
    return a;
}

} // namespace torvelbutton
