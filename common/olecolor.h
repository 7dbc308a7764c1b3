#pragma once

#include "common/olecolorvalue.h"

#include <QColor>
#include <optional>

namespace common {

// The plain 0x00BBGGRR value of c; nullopt for a system colour whose index has no entry
// or a plain value with bits above the blue byte.
std::optional<OleColor> translateOleColor(OleColor c);

// Plain colour (system colours translated first, failures give black).
QColor toQColor(OleColor c);
OleColor fromQColor(const QColor& c);

} // namespace common
