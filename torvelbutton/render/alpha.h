#pragma once

#include "common/olecolor.h"
#include "torvelbutton/buttontypes.h"

#include <QtGlobal>

#include <optional>

namespace torvelbutton {

// The plain 0x00BBGGRR colour of an OLE colour (system colours looked up), or -1 when it
// cannot be translated. The palette is unused and kept for callers that pass one.
qint32 OleColorToRgb(common::OleColor color, quintptr palette = 0);

// The constant source alpha that tints a picture shown at `percent` opacity:
// 255 - nearest(percent * 2.55), halves to even. A percentage outside 0..100 gives no
// byte and so no value.
std::optional<int> tintAlpha(int percent);

} // namespace torvelbutton
